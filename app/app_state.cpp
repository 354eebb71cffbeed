#include "app/app_state.h"

namespace {
AppState g_app;
}  // namespace

AppState& TheApp() { return g_app; }
