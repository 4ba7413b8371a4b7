// The windows as a module the program loads only when it shows them.
#include "app/WindowMain.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT int quillmereWindowMain(int* argc, char* argv[])
{
    return windowMain(*argc, argv);
}
