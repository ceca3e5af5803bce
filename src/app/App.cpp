#include "app/App.h"

#include "audio/Transport.h"

namespace wt {

App::App(Host& hostRef) : host(hostRef), status(hostRef) {}

App::~App() {
    CloseWaveDevices(*this);
}

} // namespace wt
