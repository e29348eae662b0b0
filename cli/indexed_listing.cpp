// The tag index for a listing command.
#include "indexed_listing.h"

#include "features/index/indexed_files.h"

std::unique_ptr<TagIndex> indexFor(const CommandArgs& args)
{
    return args.has("--no-index") ? nullptr : indexForReading();
}
