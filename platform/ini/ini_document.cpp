#include "platform/ini/ini_document.h"

#include <algorithm>

#include "platform/text/text.h"

namespace vk::ini::detail {

namespace {

std::u16string_view UpToNul(std::u16string_view s) { return s.substr(0, s.find(u'\0')); }

std::u16string_view TrimLeft(std::u16string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return s.substr(b);
}

std::u16string_view TrimRight(std::u16string_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return s.substr(0, e);
}

bool HasLineEnd(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

// Sets kind, name and value from the line's text.
void Classify(Line &line, std::u16string_view text) {
    line.kind = Line::Kind::Blank;
    line.hasValue = false;
    line.name.clear();
    line.value.clear();
    const std::u16string_view t = TrimBlanks(text);
    if (t.empty()) return;
    if (t[0] == u'[') {
        const size_t close = t.rfind(u']');
        if (close != std::u16string_view::npos && close >= 1) {
            line.kind = Line::Kind::Header;
            line.name = UpToNul(TrimBlanks(t.substr(1, close - 1)));
            return;
        }
    }
    line.kind = Line::Kind::Entry;
    const size_t eq = t.find(u'=');
    if (eq == std::u16string_view::npos) {
        line.name = UpToNul(t);
        return;
    }
    line.hasValue = true;
    line.name = UpToNul(TrimRight(t.substr(0, eq)));
    line.value = UpToNul(TrimLeft(t.substr(eq + 1)));
}

Line MakeLine(std::u16string_view text, const Document &doc) {
    Line line;
    Encode(text, doc.encoding, line.raw);
    line.eol = doc.newLineEnd;
    Classify(line, text);
    return line;
}

void IndexKeys(Section &s) {
    s.keys.clear();
    for (size_t i = 0; i < s.body.size(); ++i)
        if (s.body[i].kind == Line::Kind::Entry) s.keys.emplace(Fold(s.body[i].name), i);
}

void IndexSections(Document &doc) {
    doc.index.clear();
    for (size_t i = 1; i < doc.sections.size(); ++i) {
        const std::u16string &name = doc.sections[i].header.name;
        if (!name.empty()) doc.index.emplace(Fold(name), i);
    }
}

Section *FindSectionMutable(Document &doc, std::u16string_view name) {
    return const_cast<Section *>(FindSection(doc, name));
}

template <typename F> void ForEachLine(Document &doc, F f) {
    for (Section &s : doc.sections) {
        if (s.hasHeader) f(s.header);
        for (Line &l : s.body) f(l);
    }
}

// Re-encodes every line (Windows-1252 decodes losslessly, so nothing changes
// but the bytes).
void Convert(Document &doc, Encoding to) {
    const Encoding from = doc.encoding;
    ForEachLine(doc, [&](Line &l) {
        const std::u16string text = Decode(l.raw, from);
        l.raw.clear();
        Encode(text, to, l.raw);
    });
    doc.encoding = to;
}

// A character the file's encoding cannot hold turns it into UTF-16.
void EnsureFits(Document &doc, std::u16string_view text) {
    if (!Fits(text, doc.encoding)) Convert(doc, Encoding::Utf16Le);
}

Line *LastLine(Document &doc) {
    for (auto s = doc.sections.rbegin(); s != doc.sections.rend(); ++s) {
        if (!s->body.empty()) return &s->body.back();
        if (s->hasHeader) return &s->header;
    }
    return nullptr;
}

// Where a new entry goes: after the section's last non-blank line, so that
// blank lines before the next section stay where they are.
size_t InsertPosition(const Section &s) {
    size_t p = s.body.size();
    while (p > 0 && s.body[p - 1].kind == Line::Kind::Blank) --p;
    return p;
}

// The line before position p of the section must end, now that a line follows it.
void EndLineBefore(Section &s, size_t p, Eol eol) {
    Line *before = p > 0 ? &s.body[p - 1] : (s.hasHeader ? &s.header : nullptr);
    if (before && before->eol == Eol::None) before->eol = eol;
}

bool IsEntryNamed(std::u16string_view text, std::u16string_view name) {
    Line probe;
    Classify(probe, text);
    return probe.kind == Line::Kind::Entry && probe.name == name;
}

bool IsHeaderNamed(std::u16string_view text, std::u16string_view name) {
    Line probe;
    Classify(probe, text);
    return probe.kind == Line::Kind::Header && probe.name == name;
}

Section &AddSection(Document &doc, std::u16string_view name) {
    if (Line *last = LastLine(doc); last && last->eol == Eol::None) last->eol = doc.newLineEnd;
    Section s;
    s.hasHeader = true;
    s.header = MakeLine(u"[" + std::u16string(name) + u"]", doc);
    doc.sections.push_back(std::move(s));
    doc.index.emplace(Fold(name), doc.sections.size() - 1);
    return doc.sections.back();
}

} // namespace

std::u16string_view TrimBlanks(std::u16string_view s) { return TrimRight(TrimLeft(s)); }

std::u16string Fold(std::u16string_view s) { return vk::text::Lower(s); }

Document Parse(std::string_view bytes) {
    Document doc;
    size_t bom = 0;
    doc.encoding = Detect(bytes, bom);
    doc.sections.emplace_back();
    std::string_view text = bytes.substr(bom);
    if ((doc.encoding == Encoding::Utf16Le || doc.encoding == Encoding::Utf16Be) && text.size() % 2 != 0) {
        doc.strayByte.assign(text.substr(text.size() - 1));
        text.remove_suffix(1);
    }
    size_t counts[4] = {};
    for (const RawLine &r : SplitLines(text, doc.encoding)) {
        Line line;
        line.raw.assign(r.bytes);
        line.eol = r.eol;
        ++counts[static_cast<int>(r.eol)];
        Classify(line, Decode(r.bytes, doc.encoding));
        if (line.kind == Line::Kind::Header) {
            Section s;
            s.hasHeader = true;
            s.header = std::move(line);
            doc.sections.push_back(std::move(s));
        } else {
            doc.sections.back().body.push_back(std::move(line));
        }
    }
    const size_t crlf = counts[static_cast<int>(Eol::CrLf)];
    const size_t lf = counts[static_cast<int>(Eol::Lf)];
    const size_t cr = counts[static_cast<int>(Eol::Cr)];
    doc.newLineEnd = (lf > crlf && lf >= cr) ? Eol::Lf : (cr > crlf && cr > lf) ? Eol::Cr : Eol::CrLf;
    for (Section &s : doc.sections) IndexKeys(s);
    IndexSections(doc);
    return doc;
}

namespace {

std::string Build(const Document &doc) {
    std::string out(ByteOrderMark(doc.encoding));
    auto put = [&](const Line &l) {
        out += l.raw;
        AppendEol(l.eol, doc.encoding, out);
    };
    for (const Section &s : doc.sections) {
        if (s.hasHeader) put(s.header);
        for (const Line &l : s.body) put(l);
    }
    out += doc.strayByte;
    return out;
}

} // namespace

std::string Serialize(Document &doc) {
    std::string out = Build(doc);
    if (doc.encoding == Encoding::Ansi) {
        size_t bom = 0;
        if (Detect(out, bom) != Encoding::Ansi) {
            // These single bytes would read back as UTF-8 (or as a byte-order
            // mark): only UTF-16 keeps the characters as they are.
            Convert(doc, Encoding::Utf16Le);
            out = Build(doc);
        }
    }
    return out;
}

const Section *FindSection(const Document &doc, std::u16string_view name) {
    if (name.empty()) return doc.sections.empty() ? nullptr : &doc.sections[0];
    const auto it = doc.index.find(Fold(name));
    return it == doc.index.end() ? nullptr : &doc.sections[it->second];
}

const Line *FindEntry(const Section &section, std::u16string_view key) {
    const auto it = section.keys.find(Fold(key));
    return it == section.keys.end() ? nullptr : &section.body[it->second];
}

bool SetValue(Document &doc, std::u16string_view section, std::u16string_view key, std::u16string_view value,
              bool &changed) {
    changed = false;
    if (HasLineEnd(section) || HasLineEnd(key) || HasLineEnd(value)) return false;
    Section *sec = FindSectionMutable(doc, section);
    if (sec) {
        const auto it = sec->keys.find(Fold(key));
        if (it != sec->keys.end()) {
            const size_t i = it->second;
            Line &line = sec->body[i];
            if (line.hasValue && line.value == TrimBlanks(value)) return true;
            // Only the value changes; the name and its blanks keep their bytes.
            std::u16string text;
            if (line.hasValue) {
                text = Decode(std::string_view(line.raw).substr(0, ValueOffset(line.raw, doc.encoding)), doc.encoding);
            } else {
                text = Decode(std::string_view(line.raw).substr(0, TrimmedEnd(line.raw, doc.encoding)), doc.encoding);
                text += u'=';
            }
            text += value;
            if (!IsEntryNamed(text, line.name)) return false;
            EnsureFits(doc, value);
            Line &target = sec->body[i];
            const std::string_view raw = target.raw;
            std::string bytes(target.hasValue ? raw.substr(0, ValueOffset(raw, doc.encoding))
                                              : raw.substr(0, TrimmedEnd(raw, doc.encoding)));
            if (!target.hasValue) Encode(u"=", doc.encoding, bytes);
            Encode(value, doc.encoding, bytes);
            target.raw = std::move(bytes);
            Classify(target, text);
            changed = true;
            return true;
        }
    }
    const std::u16string entry = std::u16string(key) + u"=" + std::u16string(value);
    if (!IsEntryNamed(entry, key)) return false;
    if (!sec && !IsHeaderNamed(u"[" + std::u16string(section) + u"]", section)) return false;
    EnsureFits(doc, entry);
    if (!sec) {
        EnsureFits(doc, section);
        sec = &AddSection(doc, section);
    }
    const size_t p = InsertPosition(*sec);
    EndLineBefore(*sec, p, doc.newLineEnd);
    sec->body.insert(sec->body.begin() + static_cast<std::ptrdiff_t>(p), MakeLine(entry, doc));
    // Only blank lines follow p, and they are not indexed.
    sec->keys.emplace(Fold(key), p);
    changed = true;
    return true;
}

void DeleteKey(Document &doc, std::u16string_view section, std::u16string_view key, bool &changed) {
    changed = false;
    Section *sec = FindSectionMutable(doc, section);
    if (!sec) return;
    const auto it = sec->keys.find(Fold(key));
    if (it == sec->keys.end()) return;
    sec->body.erase(sec->body.begin() + static_cast<std::ptrdiff_t>(it->second));
    IndexKeys(*sec);
    changed = true;
}

void DeleteSection(Document &doc, std::u16string_view section, bool &changed) {
    changed = false;
    Section *sec = FindSectionMutable(doc, section);
    if (!sec) return;
    if (!sec->hasHeader) {
        // The lines before the first header: they go, the first section stays first.
        if (sec->body.empty()) return;
        sec->body.clear();
        sec->keys.clear();
    } else {
        doc.sections.erase(doc.sections.begin() + (sec - doc.sections.data()));
        IndexSections(doc);
    }
    changed = true;
}

bool ReplaceSection(Document &doc, std::u16string_view section, const std::vector<std::u16string_view> &lines,
                    bool &changed) {
    changed = false;
    std::vector<std::u16string_view> entries;
    for (const std::u16string_view l : lines) {
        if (HasLineEnd(l)) return false;
        if (l.find(u'=') == std::u16string_view::npos) continue;
        Line probe;
        Classify(probe, l);
        if (probe.kind != Line::Kind::Entry) return false;
        entries.push_back(l);
    }
    Section *sec = FindSectionMutable(doc, section);
    if (!sec) {
        if (entries.empty()) return true;
        if (!IsHeaderNamed(u"[" + std::u16string(section) + u"]", section)) return false;
    }
    for (const std::u16string_view e : entries) EnsureFits(doc, e);
    if (!sec) {
        EnsureFits(doc, section);
        sec = &AddSection(doc, section);
    }
    const size_t keep = InsertPosition(*sec); // trailing blank lines stay
    sec->body.erase(sec->body.begin(), sec->body.begin() + static_cast<std::ptrdiff_t>(keep));
    if (!entries.empty()) EndLineBefore(*sec, 0, doc.newLineEnd);
    std::vector<Line> added;
    added.reserve(entries.size());
    for (const std::u16string_view e : entries) added.push_back(MakeLine(e, doc));
    sec->body.insert(sec->body.begin(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    IndexKeys(*sec);
    changed = true;
    return true;
}

bool Apply(Document &doc, const Edit &edit, bool &changed) {
    switch (edit.kind) {
    case Edit::Kind::SetValue: return SetValue(doc, edit.section, edit.key, edit.value, changed);
    case Edit::Kind::DeleteKey: DeleteKey(doc, edit.section, edit.key, changed); return true;
    case Edit::Kind::DeleteSection: DeleteSection(doc, edit.section, changed); return true;
    case Edit::Kind::ReplaceSection: {
        const std::vector<std::u16string_view> lines(edit.lines.begin(), edit.lines.end());
        return ReplaceSection(doc, edit.section, lines, changed);
    }
    }
    changed = false;
    return false;
}

} // namespace vk::ini::detail
