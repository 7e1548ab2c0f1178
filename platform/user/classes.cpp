#include "classes.h"

namespace platform::user {

void EnsureSystemClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterButtonClass();
    RegisterStaticClass();
    RegisterComboBoxClass();
    RegisterDialogClass();
    RegisterMenuClass();
    RegisterMessageBoxClass();
}

} // namespace platform::user
