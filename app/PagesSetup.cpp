#include "app/PagesSetup.h"
#include "app/MainFormU.h"

// One line per page or dialog that plugs into the window.
void InstallPages(TForm1& form) {
    (void)form;
}
