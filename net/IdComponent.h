#pragma once
// The root of the client's class family: status and progress events.
#include <cstdint>
#include <functional>
#include <string>

enum TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText
};

enum TWorkMode { wmRead, wmWrite };

class TIdComponent {
public:
    TIdComponent();
    virtual ~TIdComponent();
    TIdComponent(const TIdComponent&) = delete;
    TIdComponent& operator=(const TIdComponent&) = delete;

    std::function<void(TIdStatus status, const std::string& text)> OnStatus;
    std::function<void(TWorkMode mode, std::int64_t workCountMax)> OnWorkBegin;
    std::function<void(TWorkMode mode, std::int64_t workCount)> OnWork;
    std::function<void(TWorkMode mode)> OnWorkEnd;

protected:
    void DoStatus(TIdStatus status, const std::string& text = std::string());
    // Begin and end pairs nest; only the outermost pair raises its events, and the running
    // total counts from its begin.
    void BeginWork(TWorkMode mode, std::int64_t size = 0);
    void DoWork(TWorkMode mode, std::int64_t count);
    void EndWork(TWorkMode mode);

    // Ends a work pair when it leaves scope, also on failure.
    class WorkScope {
    public:
        WorkScope(TIdComponent& owner, TWorkMode mode, std::int64_t size)
            : owner_(owner), mode_(mode) {
            owner_.BeginWork(mode, size);
        }
        ~WorkScope() { owner_.EndWork(mode_); }
        WorkScope(const WorkScope&) = delete;
        WorkScope& operator=(const WorkScope&) = delete;

    private:
        TIdComponent& owner_;
        TWorkMode mode_;
    };

private:
    int workNesting_[2] = {0, 0};
    std::int64_t workTotal_[2] = {0, 0};
};
