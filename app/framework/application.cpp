#include "app/framework/application.h"

namespace {
Application* g_application = nullptr;
}

Application::Application() { g_application = this; }

Application::~Application() {
    if (g_application == this) g_application = nullptr;
}

int Application::Run(HINSTANCE instance) {
    instance_ = instance;
    // There is no message loop to enter afterwards: the process ends, and
    // nothing reads its exit status.
    InitInstance();
    return 0;
}

Application& CurrentApplication() { return *g_application; }
