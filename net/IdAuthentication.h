#pragma once
// Credential objects written into "Authorization" and "Proxy-Authorization" lines.
#include <memory>
#include <string>

class TIdAuthentication {
public:
    virtual ~TIdAuthentication() = default;
    std::string Username;
    std::string Password;
    // The header value, e.g. "Basic dTpw".
    virtual std::string Authentication() const = 0;
    virtual void Reset() {
        Username.clear();
        Password.clear();
    }
};

class TIdBasicAuthentication : public TIdAuthentication {
public:
    std::string Authentication() const override;
};

// A credential object for the scheme of a challenge ("Basic realm=x"), or nullptr when the
// scheme is not supported.
std::unique_ptr<TIdAuthentication> idFindAuthentication(const std::string& challenge);
