/* The oracle's test program: one import of each kind the loader resolves. */
#include <windows.h>

__declspec(dllimport) int shadowed_value(void);
__declspec(dllimport) int pathonly_value(void);
__declspec(dllimport) int forwarded_value(void);
__declspec(dllimport) int sxsuser_value(void);
int delayed_value(void);

int main(int argc, char** argv)
{
    (void)argv;
    /* Never true when run without arguments: the delay-loaded DLL stays
     * unloaded, as a delay load does until its first call. */
    if (argc > 5) return delayed_value();
    Sleep(0); /* through api-ms-win-core-synch-l1-2-0.dll */
    return shadowed_value() + pathonly_value() + forwarded_value() + sxsuser_value() - 10;
}
