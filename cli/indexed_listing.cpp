// The tag index for a listing command.
#include "indexed_listing.h"

#include "features/encoding/eight_bit_text.h"

std::unique_ptr<TagIndex> indexFor(const CommandArgs& args)
{
    if (args.has("--no-index") || !eightBitCodePage().empty())
        return nullptr;
    auto index = std::make_unique<TagIndex>();
    return index->isOpen() ? std::move(index) : nullptr;
}
