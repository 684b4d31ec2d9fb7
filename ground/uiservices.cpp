#include "uiservices.h"

#include <cstdio>
#include <cstdlib>

namespace {

IUiServices* g_current = nullptr;

} // namespace

IUiServices& Ui() {
    if (!g_current) {
        std::fputs("zeq-editor: no user interface services installed\n", stderr);
        std::abort();
    }
    return *g_current;
}

void SetUi(IUiServices* services) {
    g_current = services;
}
