#include "net/IdComponent.h"

#include "net/IdStack.h"

TIdComponent::TIdComponent() {
    TIdStack::acquire();
}

TIdComponent::~TIdComponent() {
    TIdStack::release();
}

void TIdComponent::DoStatus(TIdStatus status, const std::string& text) {
    if (OnStatus)
        OnStatus(status, text);
}

void TIdComponent::BeginWork(TWorkMode mode, std::int64_t size) {
    if (workNesting_[mode]++ == 0) {
        workTotal_[mode] = 0;
        if (OnWorkBegin)
            OnWorkBegin(mode, size);
    }
}

void TIdComponent::DoWork(TWorkMode mode, std::int64_t count) {
    if (workNesting_[mode] > 0) {
        workTotal_[mode] += count;
        if (OnWork)
            OnWork(mode, workTotal_[mode]);
    }
}

void TIdComponent::EndWork(TWorkMode mode) {
    if (workNesting_[mode] > 0 && --workNesting_[mode] == 0 && OnWorkEnd)
        OnWorkEnd(mode);
}
