#include "search/file_identity.h"

bool sameFile(const FileIdentity& a, const FileIdentity& b)
{
    return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

bool isPlainFileKind(std::uint32_t attributes, std::uint32_t reparseTag)
{
    const std::uint32_t directory = 0x10, reparsePoint = 0x400;
    const std::uint32_t nameSurrogate = 0x20000000;  // the tag bit Windows sets on every kind of link
    if (attributes & directory)
        return false;
    return !(attributes & reparsePoint) || !(reparseTag & nameSurrogate);
}
