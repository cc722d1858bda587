/* A DLL exporting NAME_value(), returning VALUE; NAME and VALUE from the build. */
#define JOIN(a, b) a##b
#define EXPORTED(name) JOIN(name, _value)

__declspec(dllexport) int EXPORTED(NAME)(void)
{
    return VALUE;
}
