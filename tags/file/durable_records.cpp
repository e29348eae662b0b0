// The checksum, byte order and folders of the records that outlive a run.
#include "tags/file/durable_records.h"

#include "platform/file_system.h"

#include <algorithm>

#include <zlib.h>

void writeBE64(uint8_t* p, uint64_t v)
{
    for (int i = 7; i >= 0; --i, v >>= 8)
        p[i] = static_cast<uint8_t>(v);
}

uint64_t readBE64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | p[i];
    return v;
}

std::string stateSubfolder(const char* name)
{
    const std::string state = platform::stateFolder();
    return state.empty() ? std::string() : state + name + "/";
}

bool makeStateSubfolder(const std::string& folder)
{
    return !folder.empty() && platform::makePrivateFolders(platform::stateFolder()) &&
           platform::makePrivateFolders(folder);
}
