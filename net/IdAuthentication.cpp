#include "net/IdAuthentication.h"

#include "net/IdGlobal.h"

std::string TIdBasicAuthentication::Authentication() const {
    return "Basic " + idglobal::base64Encode(Username + ":" + Password);
}

std::unique_ptr<TIdAuthentication> idFindAuthentication(const std::string& challenge) {
    const std::size_t blank = challenge.find(' ');
    const std::string scheme = challenge.substr(0, blank);
    if (idglobal::sameText(scheme, "Basic"))
        return std::make_unique<TIdBasicAuthentication>();
    return nullptr;
}
