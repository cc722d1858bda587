/* Imports from a DLL that exists nowhere: the loader cannot start it. */
__declspec(dllimport) int nowhere_value(void);

int main(void)
{
    return nowhere_value();
}
