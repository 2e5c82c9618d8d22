// The private-profile calls over the cached documents: what goes into the
// caller's buffer, the integer reading, and the writes.
#include "platform/ini/ini.h"

#include <algorithm>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini_cache.h"
#include "platform/ini/ini_document.h"
#include "platform/text/text.h"

namespace vk::ini {

using namespace detail;

namespace {

using Lock = std::lock_guard<std::mutex>;

const Document &EmptyDocument() {
    static const Document *doc = new Document(Parse({}));
    return *doc;
}

// The document a read sees: the file's, or an empty one for no file.
const Document &DocumentFor(const char16_t *file) {
    CachedFile *f = OpenFile(vk::text::View(file));
    return f ? f->doc : EmptyDocument();
}

// Trailing spaces of a default are dropped, but never its first character.
std::u16string_view DefaultText(const char16_t *def) {
    std::u16string_view d = vk::text::View(def);
    size_t n = d.size();
    while (n > 1 && d[n - 1] == u' ') --n;
    return d.substr(0, n);
}

// A value without one pair of enclosing quotes (double or single).
std::u16string_view Unquoted(std::u16string_view text, bool &quoted) {
    text = text.substr(0, text.find(u'\0'));
    quoted = text.size() >= 2 && (text[0] == u'"' || text[0] == u'\'') && text.back() == text[0];
    return quoted ? text.substr(1, text.size() - 2) : text;
}

// Copies a value or default: at most size - 1 characters and a NUL. Where the
// closing quote stood, a second NUL follows when there is room, as a Windows
// reader leaves it.
uint32_t CopyValue(std::u16string_view text, char16_t *buffer, uint32_t size) {
    bool quoted = false;
    const std::u16string_view v = Unquoted(text, quoted);
    const size_t n = std::min<size_t>(v.size(), size - 1);
    std::copy_n(v.data(), n, buffer);
    buffer[n] = u'\0';
    if (quoted && n == v.size() && n + 1 < size) buffer[n + 1] = u'\0';
    return static_cast<uint32_t>(n);
}

// All section names with a name. A list that does not fit ends with the part
// of the name that fits and two NULs, and gives size - 2 (so does a list that
// fills the buffer exactly).
uint32_t SectionNames(const Document &doc, char16_t *buffer, uint32_t size) {
    if (size == 1) {
        buffer[0] = u'\0';
        return 0;
    }
    size_t room = size - 1;
    size_t p = 0;
    for (size_t i = 1; i < doc.sections.size(); ++i) {
        const std::u16string &name = doc.sections[i].header.name;
        if (name.empty()) continue;
        const size_t need = name.size() + 1;
        if (need >= room) {
            if (room > 0) {
                std::copy_n(name.data(), room - 1, buffer + p);
                p += room - 1;
                buffer[p++] = u'\0';
            }
            buffer[p] = u'\0';
            return size - 2;
        }
        std::copy_n(name.data(), name.size(), buffer + p);
        p += name.size();
        buffer[p++] = u'\0';
        room -= need;
    }
    buffer[p] = u'\0';
    return static_cast<uint32_t>(p);
}

// The names of the section's entries that have a value, without comments
// (';') and without empty names, which would end the list early.
uint32_t KeyNames(const Section *sec, char16_t *buffer, uint32_t size) {
    size_t left = size;
    size_t p = 0;
    if (sec) {
        for (const Line &l : sec->body) {
            if (left <= 2) break;
            if (l.kind != Line::Kind::Entry || !l.hasValue || l.name.empty() || l.name[0] == u';') continue;
            const size_t n = std::min(l.name.size(), left - 2);
            std::copy_n(l.name.data(), n, buffer + p);
            buffer[p + n] = u'\0';
            p += n + 1;
            left -= n + 1;
            if (left < 2) break;
        }
    }
    buffer[p] = u'\0';
    if (left <= 1 && p > 0) {
        buffer[p - 1] = u'\0';
        return size - 2;
    }
    return static_cast<uint32_t>(p);
}

uint32_t GetStringLocked(const char16_t *section, const char16_t *key, const char16_t *def, char16_t *buffer,
                         uint32_t size, const char16_t *file) {
    if (!buffer || size == 0) return 0;
    const Document &doc = DocumentFor(file);
    if (!section) return SectionNames(doc, buffer, size);
    const std::u16string_view d = DefaultText(def);
    const Section *sec = FindSection(doc, TrimBlanks(vk::text::View(section)));
    if (!key) {
        const uint32_t n = KeyNames(sec, buffer, size);
        return buffer[0] ? n : CopyValue(d, buffer, size);
    }
    const Line *e = sec ? FindEntry(*sec, TrimBlanks(vk::text::View(key))) : nullptr;
    return CopyValue(e && e->hasValue ? std::u16string_view(e->value) : d, buffer, size);
}

// Leading blanks and control characters, one sign, then "0x", "0o" or "0b"
// for another base, then the digits up to the first other character; the
// value wraps around at 32 bits.
int32_t ParseInt(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] <= u' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    uint32_t base = 10;
    if (i + 1 < s.size() && s[i] == u'0') {
        if (s[i + 1] == u'x') base = 16;
        else if (s[i + 1] == u'o') base = 8;
        else if (s[i + 1] == u'b') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t total = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i];
        uint32_t digit;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        else if (c >= u'a' && c <= u'z') digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'Z') digit = c - u'A' + 10;
        else break;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return static_cast<int32_t>(negative ? 0u - total : total);
}

bool Refuse(uint32_t code) {
    vk::fs::SetLastError(code);
    return false;
}

thread_local int t_batchDepth = 0;

// Makes a write. Outside a batch it is on disk before this returns; so is a
// write that creates the file, so that the file exists for everyone as soon
// as the write succeeded. A failed flush drops the write.
bool Change(const char16_t *file, Edit edit) {
    CachedFile *f = OpenFile(vk::text::View(file));
    if (!f) return Refuse(vk::fs::kErrorInvalidParameter);
    if (!PrepareWrite(*f)) return false;
    const size_t before = f->pending.size();
    if (!AddEdit(*f, std::move(edit))) return Refuse(vk::fs::kErrorInvalidParameter);
    if (f->pending.size() == before) return true; // the file already says so
    if (t_batchDepth > 0 && f->stamp.exists) return true;
    return FlushFile(*f);
}

Edit MakeEdit(Edit::Kind kind, std::u16string_view section, std::u16string_view key = {},
              std::u16string_view value = {}) {
    Edit e;
    e.kind = kind;
    e.section = section;
    e.key = key;
    e.value = value;
    return e;
}

} // namespace

uint32_t GetString(const char16_t *section, const char16_t *key, const char16_t *def, char16_t *buffer,
                   uint32_t size, const char16_t *file) {
    Lock lock(CacheMutex());
    return GetStringLocked(section, key, def, buffer, size, file);
}

int32_t GetInt(const char16_t *section, const char16_t *key, int32_t def, const char16_t *file) {
    Lock lock(CacheMutex());
    // Read as a Windows reader does: through a buffer of 30 characters.
    char16_t buffer[30] = {};
    const uint32_t n = GetStringLocked(section, key, u"", buffer, 30, file);
    if (n == 0 || buffer[0] == u'\0') return def;
    return ParseInt(vk::text::View(buffer));
}

bool WriteString(const char16_t *section, const char16_t *key, const char16_t *value, const char16_t *file) {
    Lock lock(CacheMutex());
    if (!section) {
        // All null: write the file's pending changes now.
        if (key || value) return Refuse(vk::fs::kErrorInvalidParameter);
        CachedFile *f = CachedOnly(vk::text::View(file));
        return !f || FlushFile(*f);
    }
    const std::u16string_view s = TrimBlanks(vk::text::View(section));
    if (!key) return Change(file, MakeEdit(Edit::Kind::DeleteSection, s));
    const std::u16string_view k = TrimBlanks(vk::text::View(key));
    if (!value) return Change(file, MakeEdit(Edit::Kind::DeleteKey, s, k));
    return Change(file, MakeEdit(Edit::Kind::SetValue, s, k, vk::text::View(value)));
}

bool WriteSection(const char16_t *section, const char16_t *lines, const char16_t *file) {
    if (!lines) return WriteString(section, nullptr, nullptr, file);
    Lock lock(CacheMutex());
    if (!section) return Refuse(vk::fs::kErrorInvalidParameter);
    Edit edit = MakeEdit(Edit::Kind::ReplaceSection, TrimBlanks(vk::text::View(section)));
    for (const char16_t *p = lines; *p; p += vk::text::Length(p) + 1) edit.lines.emplace_back(vk::text::View(p));
    return Change(file, std::move(edit));
}

Batch::Batch() { ++t_batchDepth; }

Batch::~Batch() { Finish(); }

bool Batch::Finish() {
    if (!open_) return true;
    open_ = false;
    if (--t_batchDepth > 0) return true;
    Lock lock(CacheMutex());
    // A scratch folder's files wait until something reads them from the disk
    // (FlushBeforeFileRead) or everything is flushed.
    return FlushAll(false);
}

Snapshot::Snapshot(std::u16string_view file) {
    Lock lock(CacheMutex());
    // The version frozen is the one on disk now: the shortcut that trusts a
    // look taken a moment ago could freeze an older one (even a file that did
    // not exist yet) for as long as the snapshot is held.
    if (CachedFile *f = OpenFile(file, true)) {
        ++f->frozen;
        key_ = f->path;
    }
}

Snapshot::~Snapshot() {
    if (key_.empty()) return;
    Lock lock(CacheMutex());
    // Forgotten meanwhile: nothing to let go.
    if (CachedFile *f = CachedOnly(vk::text::FromUtf8(key_)); f && f->path == key_ && f->frozen > 0) --f->frozen;
}

bool Flush(const char16_t *file) {
    Lock lock(CacheMutex());
    if (!file) return FlushAll();
    CachedFile *f = CachedOnly(vk::text::View(file));
    return !f || FlushFile(*f);
}

void Forget(const char16_t *file) {
    Lock lock(CacheMutex());
    if (!file) ForgetAll();
    else ForgetFile(vk::text::View(file));
}

void ForgetUnder(std::u16string_view path) {
    Lock lock(CacheMutex());
    detail::ForgetUnder(path);
}

void SetScratchFolder(std::u16string_view folder, bool scratch) {
    Lock lock(CacheMutex());
    detail::SetScratchFolder(folder, scratch);
}

bool FlushBeforeFileRead(std::u16string_view path) {
    Lock lock(CacheMutex());
    return FlushUnder(path);
}

uint64_t ParseCount() {
    Lock lock(CacheMutex());
    return detail::ParseCount();
}

std::u16string ReadString(std::u16string_view section, std::u16string_view key, std::u16string_view def,
                          std::u16string_view file) {
    Lock lock(CacheMutex());
    CachedFile *f = OpenFile(file);
    const Document &doc = f ? f->doc : EmptyDocument();
    const Section *sec = FindSection(doc, TrimBlanks(section));
    const Line *e = sec ? FindEntry(*sec, TrimBlanks(key)) : nullptr;
    const std::u16string d(def.substr(0, def.find(u'\0')));
    bool quoted = false;
    return std::u16string(Unquoted(e && e->hasValue ? std::u16string_view(e->value) : DefaultText(d.c_str()), quoted));
}

} // namespace vk::ini
