#include "search/file_identity.h"

#include <cstring>

bool sameFile(const FileIdentity& a, const FileIdentity& b)
{
    if (!a.known || !b.known || a.volume != b.volume || a.indexHigh != b.indexHigh || a.indexLow != b.indexLow)
        return false;
    if (a.size != b.size || a.created != b.created || a.written != b.written)
        return false;
    return !a.hasId128 || !b.hasId128 || std::memcmp(a.id128, b.id128, sizeof a.id128) == 0;
}

bool sameFileMoved(const FileIdentity& listed, const FileIdentity& now, bool keepsFileIds)
{
    if (keepsFileIds)
        return sameFile(listed, now);
    return listed.known && now.known && listed.volume == now.volume && listed.size == now.size &&
           listed.created == now.created && listed.written == now.written;
}

bool isPlainFileKind(std::uint32_t attributes, std::uint32_t reparseTag)
{
    const std::uint32_t directory = 0x10, reparsePoint = 0x400;
    const std::uint32_t nameSurrogate = 0x20000000;  // the tag bit Windows sets on every kind of link
    if (attributes & directory)
        return false;
    return !(attributes & reparsePoint) || !(reparseTag & nameSurrogate);
}
