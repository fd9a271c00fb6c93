#include "shell/app.h"

namespace tavrel::shell {

class App& App() {
    static class App instance;
    return instance;
}

} // namespace tavrel::shell
