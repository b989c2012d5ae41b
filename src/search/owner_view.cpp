#include "search/owner_view.h"

static wchar_t folded(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

static bool sameText(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i]))
            return false;
    return true;
}

static std::wstring withoutTrailingSlash(const std::wstring& folder)
{
    return !folder.empty() && folder.back() == L'\\' ? folder.substr(0, folder.size() - 1) : folder;
}


// The environment string as its owner's session would expand it; false where a variable is
// one this program cannot give for another account. `sure` turns false where a value is only
// the usual place (the owner's registry was not at hand).
static bool expandForOwner(const OwnerFacts& facts, bool& sure, std::wstring& out)
{
    const std::wstring& text = facts.storedEnv;
    std::wstring owner = withoutTrailingSlash(facts.ownerProfile);
    struct PerUser {
        const wchar_t* name;
        const std::wstring& known;
        const wchar_t* usual;
    } perUser[] = {{L"USERPROFILE", owner, L""},
                   {L"APPDATA", facts.ownerAppData, L"\\AppData\\Roaming"},
                   {L"LOCALAPPDATA", facts.ownerLocalAppData, L"\\AppData\\Local"}};
    out.clear();
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text[at] == L'%' ? text.find(L'%', at + 1) : std::wstring::npos;
        if (end == std::wstring::npos || end == at + 1) {
            out += text[at++];
            continue;
        }
        std::wstring name = text.substr(at + 1, end - at - 1);
        bool given = false;
        for (const PerUser& p : perUser)
            if (sameText(name, p.name)) {
                bool known = !p.known.empty() || *p.usual == L'\0';
                out += !p.known.empty() ? withoutTrailingSlash(p.known) : owner + p.usual;
                sure = sure && known;
                given = true;
            }
        for (const auto& m : facts.machine)
            if (!given && sameText(name, m.first)) {
                out += m.second;
                given = true;
            }
        if (!given)
            return false;  // HOMEPATH, a variable of the owner's own: not to be had from here
        at = end + 1;
    }
    return true;
}

OwnerPlaces ownerPlaces(const OwnerFacts& facts)
{
    OwnerPlaces places = {false, {}, true};
    std::wstring reader = withoutTrailingSlash(facts.readerProfile), owner = withoutTrailingSlash(facts.ownerProfile);
    bool translated = facts.knownFolder || !facts.storedEnv.empty() || !sameText(facts.storedLocal, facts.shellTarget);
    places.concerns = !owner.empty() && !reader.empty() && !sameText(owner, reader) &&
                      liesWithin(facts.shellTarget, reader) && translated;
    if (!places.concerns)
        return places;
    // The same place below the owner's profile; the path as saved; the string as the owner's
    // session expands it.
    auto add = [&places](const std::wstring& path) {
        for (const std::wstring& p : places.paths)
            if (sameText(p, path))
                return;
        places.paths.push_back(path);
    };
    add(owner + facts.shellTarget.substr(reader.size()));
    if (!facts.storedLocal.empty() && !sameText(facts.storedLocal, facts.shellTarget))
        add(facts.storedLocal);
    std::wstring expanded;
    if (!facts.storedEnv.empty()) {
        if (expandForOwner(facts, places.complete, expanded))
            add(expanded);
        else
            places.complete = false;
    }
    // A known folder may be redirected anywhere for its owner: not found in the usual places
    // proves nothing.
    if (facts.knownFolder)
        places.complete = false;
    return places;
}
