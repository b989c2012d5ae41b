#include "cli/quarantine_rules.h"

#include <cstdio>
#include <cstring>

#include "cli/cli_output.h"
#include "search/owner_view.h"
#include "search/walk_rules.h"

static void numberField(std::string& out, const char* name, std::uint64_t value)
{
    char text[48];
    std::snprintf(text, sizeof text, ",\"%s\":%llu", name, static_cast<unsigned long long>(value));
    out += text;
}

static void textField(std::string& out, const char* name, const std::string& value)
{
    if (out.size() > 1)
        out += ',';
    jsonString(out, name);
    out += ':';
    jsonString(out, value);
}

static const char HEX[] = "0123456789abcdef";

std::string manifestLine(const QuarantineLine& line)
{
    const FileIdentity& id = line.identity;
    std::string out = "{";
    textField(out, "original", line.original);
    textField(out, "stored", line.stored);
    textField(out, "target", line.target);
    textField(out, "reason", line.reason);
    textField(out, "time", line.time);
    numberField(out, "volume", id.volume);
    numberField(out, "index", (std::uint64_t{id.indexHigh} << 32) | id.indexLow);
    numberField(out, "size", id.size);
    numberField(out, "created", id.created);
    numberField(out, "written", id.written);
    std::string id128;
    for (int i = 0; id.hasId128 && i < 16; ++i) {
        id128 += HEX[id.id128[i] >> 4];
        id128 += HEX[id.id128[i] & 15];
    }
    textField(out, "id128", id128);
    if (!line.access.empty())
        textField(out, "access", line.access);
    if (line.folder != 0)
        numberField(out, "folder", line.folder);
    return out + "}\n";
}

// --- Reading a line back: one flat object of strings and unsigned numbers ---------------

namespace {
struct Reader {
    const char* p;
    const char* end;

    void blanks()
    {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
            ++p;
    }
    bool take(char c)
    {
        blanks();
        if (p == end || *p != c)
            return false;
        ++p;
        return true;
    }
    bool hex4(unsigned& u)
    {
        u = 0;
        for (int i = 0; i < 4; ++i, ++p) {
            const char* h = p < end && *p != '\0' ? std::strchr(HEX, *p | 0x20) : nullptr;
            if (h == nullptr)
                return false;
            u = u * 16 + static_cast<unsigned>(h - HEX);
        }
        return true;
    }
    static void utf8(std::string& out, unsigned u)
    {
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    bool escape(std::string& out)
    {
        if (p == end)
            return false;
        char c = *p++;
        const char* plain = std::strchr("\"\\/bfnrt", c);
        if (c != '\0' && plain != nullptr) {
            out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            return true;
        }
        unsigned u;
        if (c != 'u' || !hex4(u) || (u >= 0xDC00 && u <= 0xDFFF))
            return false;
        if (u >= 0xD800 && u <= 0xDBFF) {  // a pair's first half takes its second
            unsigned low;
            if (end - p < 6 || p[0] != '\\' || p[1] != 'u' || (p += 2, !hex4(low)) || low < 0xDC00 || low > 0xDFFF)
                return false;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        }
        utf8(out, u);
        return true;
    }
    // Well-formed UTF-8 only: no overlong form, surrogate or value past U+10FFFF. Bytes of
    // another code page would otherwise name another file than the one that was moved.
    static bool wellFormed(const std::string& s)
    {
        for (std::size_t i = 0; i < s.size();) {
            unsigned char c = static_cast<unsigned char>(s[i]);
            std::size_t n = c < 0x80 ? 0 : c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 9;
            if (n == 9 || s.size() - i <= n)
                return n == 0;
            unsigned char second = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
                (c == 0xF4 && second > 0x8F))
                return false;
            for (std::size_t k = 1; k <= n; ++k)
                if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                    return false;
            i += n + 1;
        }
        return true;
    }
    bool text(std::string& out)
    {
        if (!take('"'))
            return false;
        out.clear();
        while (p < end && *p != '"') {
            unsigned char c = static_cast<unsigned char>(*p++);
            if (c < 0x20)
                return false;
            if (c != '\\')
                out += static_cast<char>(c);
            else if (!escape(out))
                return false;
        }
        return take('"') && wellFormed(out);
    }
    bool number(std::uint64_t& out)
    {
        blanks();
        out = 0;
        const char* start = p;
        for (; p < end && *p >= '0' && *p <= '9'; ++p) {
            unsigned digit = static_cast<unsigned>(*p - '0');
            if (out > (UINT64_MAX - digit) / 10)
                return false;
            out = out * 10 + digit;
        }
        return p > start;
    }
};
}  // namespace

static bool id128Of(const std::string& hex, FileIdentity& id)
{
    id.hasId128 = !hex.empty();
    if (!id.hasId128)
        return true;
    if (hex.size() != 32)
        return false;
    for (std::size_t i = 0; i < 32; ++i) {
        const char* h = hex[i] != '\0' ? std::strchr(HEX, hex[i]) : nullptr;
        if (h == nullptr)
            return false;
        unsigned nibble = static_cast<unsigned>(h - HEX);
        id.id128[i / 2] = static_cast<std::uint8_t>(i % 2 == 0 ? nibble << 4 : (id.id128[i / 2] | nibble));
    }
    return true;
}

bool readManifestLine(const std::string& text, QuarantineLine& out)
{
    out = QuarantineLine{};
    Reader r = {text.data(), text.data() + text.size()};
    std::string* texts[] = {&out.original, &out.stored, &out.target, &out.reason, &out.time};
    const char* textNames[] = {"original", "stored", "target", "reason", "time"};
    std::uint64_t numbers[5] = {};
    const char* numberNames[] = {"volume", "index", "size", "created", "written"};
    unsigned seen = 0;  // a bit for each field, which must all be there, once
    std::string key, id128;
    if (!r.take('{'))
        return false;
    for (bool first = true; !r.take('}'); first = false) {
        if ((!first && !r.take(',')) || !r.text(key) || !r.take(':'))
            return false;
        int field = -1;  // 0-4 the texts, 5-9 the numbers, 10 the 128-bit ID, 11 the access list, 12 the folder
        for (int i = 0; i < 5; ++i) {
            if (key == textNames[i])
                field = i;
            if (key == numberNames[i])
                field = 5 + i;
        }
        if (key == "id128")
            field = 10;
        if (key == "access")
            field = 11;
        if (key == "folder")
            field = 12;
        if (field < 0 || (seen & (1u << field)))
            return false;  // no field this program does not write, and none twice
        bool read = field < 5    ? r.text(*texts[field])
                    : field < 10 ? r.number(numbers[field - 5])
                    : field < 12 ? r.text(field == 10 ? id128 : out.access)
                                 : r.number(out.folder);
        if (!read)
            return false;
        seen |= 1u << field;
    }
    r.blanks();
    const unsigned all = (1u << 11) - 1;  // the access list and the folder are not in every line
    if (r.p != r.end || (seen & all) != all || numbers[0] > UINT32_MAX)
        return false;
    FileIdentity& id = out.identity;
    id.known = true;
    id.volume = static_cast<std::uint32_t>(numbers[0]);
    id.indexHigh = static_cast<std::uint32_t>(numbers[1] >> 32);
    id.indexLow = static_cast<std::uint32_t>(numbers[1]);
    id.size = numbers[2];
    id.created = numbers[3];
    id.written = numbers[4];
    std::wstring stored(out.stored.begin(), out.stored.end());  // the name is ASCII, or no name of ours
    return id128Of(id128, id) && isStoredName(stored.c_str(), stored.size());
}

std::string manifestHead(const std::vector<std::string>& searched)
{
    std::string out = "{\"searched\":[";
    for (std::size_t i = 0; i < searched.size(); ++i) {
        if (i > 0)
            out += ',';
        jsonString(out, searched[i]);
    }
    return out + "]}\n";
}

std::string manifestMoved(const std::string& stored, bool restored)
{
    std::string out = "{";
    textField(out, restored ? "restored" : "moved", stored);
    return out + "}\n";
}

bool readManifestNote(const std::string& text, ManifestNote& note)
{
    note = ManifestNote{};
    Reader r = {text.data(), text.data() + text.size()};
    std::string key, one;
    if (!r.take('{') || !r.text(key) || !r.take(':'))
        return false;
    bool read = false;
    if (key == "moved" || key == "restored") {
        std::string& name = key == "moved" ? note.moved : note.restored;
        std::wstring wide;
        read = r.text(name) && (wide.assign(name.begin(), name.end()), isStoredName(wide.c_str(), wide.size()));
    } else if (key == "searched" && r.take('[')) {
        read = r.take(']');
        for (bool first = true; !read; first = false) {
            if ((!first && !r.take(',')) || !r.text(one) || one.empty())
                return false;
            note.searched.push_back(one);
            read = r.take(']');
        }
    }
    if (!read || !r.take('}'))
        return false;
    r.blanks();
    return r.p == r.end;
}

// --- Names ------------------------------------------------------------------------------

std::string storedName(const std::string& time14, unsigned process, unsigned sequence)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.14s-%u-%u.vmq", time14.c_str(), process, sequence);
    return text;
}

static bool digits(const wchar_t*& p, const wchar_t* end, std::size_t most)
{
    const wchar_t* start = p;
    while (p < end && *p >= L'0' && *p <= L'9' && static_cast<std::size_t>(p - start) < most)
        ++p;
    return p > start;
}

bool isStoredName(const wchar_t* name, std::size_t length)
{
    const wchar_t* p = name;
    const wchar_t* end = name + length;
    return digits(p, end, 14) && p < end && *p++ == L'-' && digits(p, end, 10) && p < end && *p++ == L'-' &&
           digits(p, end, 10) && end - p == 4 && std::wstring(p, end) == L".vmq";
}

// --- Paths ------------------------------------------------------------------------------

static bool startsWith(const std::wstring& s, const wchar_t* prefix)
{
    return s.compare(0, std::wcslen(prefix), prefix) == 0;
}

static bool isLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// A name a file may be put back under: no step up or aside, no stream, no pattern.
static bool fitName(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    for (wchar_t c : name)
        if (c < 0x20 || std::wcschr(L"<>:\"/|?*", c) != nullptr)
            return false;
    return true;
}

bool splitFullPath(const std::wstring& path, std::wstring& root, std::vector<std::wstring>& names)
{
    names.clear();
    std::size_t at;
    std::wstring rest = startsWith(path, L"\\\\?\\") ? path.substr(4) : path;
    bool unc = false;
    if (startsWith(path, L"\\\\?\\UNC\\")) {
        rest = path.substr(8);
        unc = true;
    } else if (startsWith(path, L"\\\\") && !startsWith(path, L"\\\\?\\") && !startsWith(path, L"\\\\.\\")) {
        rest = path.substr(2);
        unc = true;
    } else if (startsWith(path, L"\\\\") && !startsWith(path, L"\\\\?\\")) {
        return false;  // a device
    }
    if (unc) {
        std::size_t server = rest.find(L'\\');
        at = server == std::wstring::npos ? server : rest.find(L'\\', server + 1);
        if (at == std::wstring::npos || !fitName(rest.substr(0, server)) || !fitName(rest.substr(server + 1, at - server - 1)))
            return false;
        root = L"\\\\" + rest.substr(0, at + 1);
    } else {
        if (rest.size() < 3 || !isLetter(rest[0]) || rest[1] != L':' || rest[2] != L'\\')
            return false;
        at = 2;
        root = rest.substr(0, 3);
    }
    for (std::size_t from = at + 1;;) {
        std::size_t next = rest.find(L'\\', from);
        std::wstring name = rest.substr(from, next == std::wstring::npos ? next : next - from);
        if (!fitName(name))
            return false;
        names.push_back(name);
        if (next == std::wstring::npos)
            return true;
        from = next + 1;
    }
}

bool restorablePath(const std::wstring& original, const std::vector<std::wstring>& searched)
{
    std::wstring root;
    std::vector<std::wstring> names;
    if (!splitFullPath(original, root, names) || !namesShortcutFile(original.c_str()))
        return false;
    for (const std::wstring& name : names)
        if (!isExactName(name.c_str(), name.size()))
            return false;
    for (const std::wstring& folder : searched)
        if (liesWithin(original, folder))
            return true;
    return false;
}

// --- Who may write ----------------------------------------------------------------------

bool othersMayWrite(bool hasList, bool ownerTrusted, const std::vector<AccessEntry>& entries)
{
    const std::uint32_t addFile = 0x2, addFolder = 0x4, deleteChild = 0x40, deleteIt = 0x10000, writeList = 0x40000,
                        writeOwner = 0x80000, genericAll = 0x10000000, genericWrite = 0x40000000;
    const std::uint32_t writes = addFile | addFolder | deleteChild | deleteIt | writeList | writeOwner | genericAll | genericWrite;
    if (!hasList || !ownerTrusted)
        return true;
    for (const AccessEntry& e : entries)
        if (e.allows && !e.trusted && (e.mask & writes) != 0)
            return true;
    return false;
}
