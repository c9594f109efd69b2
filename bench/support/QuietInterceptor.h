#pragma once
// The benchmarks' interceptor: boxes would block an unattended run, so they are counted and
// printed instead; opening a file is counted, starting a program refused.
#include "platform/Shell.h"

#include <cstdio>

class QuietInterceptor : public platform::Interceptor {
public:
    void messageBox(const QString&, const QString& text) override { report("message", text); }
    void errorBox(const QString&, const QString& text) override { report("error", text); }
    void shellExecute(const platform::ShellRequest&) override { ++opens; }
    bool startDetached(const QString&) override { return false; }
    int boxes = 0;
    int opens = 0;

private:
    void report(const char* kind, const QString& text) {
        ++boxes;
        std::fprintf(stderr, "%s box: %s\n", kind, qPrintable(text));
    }
};
