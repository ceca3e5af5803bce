#include "app/App.h"

namespace wt {

App::App(Host& hostRef) : host(hostRef), status(hostRef) {}

} // namespace wt
