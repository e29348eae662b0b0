// The statically linked program loads no shared library: SQLite's request for one is refused.
extern "C" void* __wrap_dlopen(const char*, int)
{
    return nullptr;
}
