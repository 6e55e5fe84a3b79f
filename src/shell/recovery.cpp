#include "shell/recovery.h"

#include "shell/app.h"

namespace qm {

int recoveryWaitMs(const App&) {
    return -1;
}

}  // namespace qm
