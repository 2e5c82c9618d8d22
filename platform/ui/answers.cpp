// The scripted answer queue of the headless backend and its text form.
#include <deque>
#include <string>

#include "platform/text/text.h"
#include "platform/ui/internal.h"

namespace vk::ui {

namespace {

std::deque<Answer> &Pending() {
    static std::deque<Answer> answers;
    return answers;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

struct ButtonName {
    const char16_t *name;
    int32_t id;
};
constexpr ButtonName kButtons[] = {
    {u"ok", kIdOk},       {u"cancel", kIdCancel}, {u"abort", kIdAbort}, {u"retry", kIdRetry},
    {u"ignore", kIdIgnore}, {u"yes", kIdYes},     {u"no", kIdNo},
};

class Parser {
public:
    explicit Parser(std::u16string_view s) : s_(s) {}

    bool Parse(std::vector<Answer> &out) {
        for (;;) {
            Blanks();
            if (AtEnd()) return true;
            if (Peek() == u';') {
                ++i_;
                continue;
            }
            Answer a;
            int count = 1;
            if (!Entry(a, count)) return false;
            for (int k = 0; k < count; ++k) out.push_back(a);
            Blanks();
            if (AtEnd()) return true;
            if (Peek() != u';') return Fail(u"';' expected");
            ++i_;
        }
    }

    const std::u16string &Error() const { return error_; }

private:
    bool AtEnd() const { return i_ >= s_.size(); }
    char16_t Peek() const { return AtEnd() ? u'\0' : s_[i_]; }
    void Blanks() {
        while (!AtEnd() && IsBlank(s_[i_])) ++i_;
    }
    bool Fail(std::u16string_view what) {
        error_ = u"answer script: " + std::u16string(what) + u" at position " + text::U16(std::to_string(i_ + 1));
        return false;
    }
    bool Expect(char16_t c) {
        Blanks();
        if (Peek() != c) return Fail(std::u16string(u"'") + c + u"' expected");
        ++i_;
        return true;
    }
    std::u16string Word() {
        std::u16string w;
        while (!AtEnd() && IsLetter(s_[i_])) w += text::FoldCase(s_[i_++]);
        return w;
    }
    bool Number(int32_t &out) {
        Blanks();
        bool negative = false;
        if (Peek() == u'-') {
            negative = true;
            ++i_;
        }
        if (!IsDigit(Peek())) return Fail(u"number expected");
        long long v = 0;
        while (IsDigit(Peek())) {
            v = v * 10 + (s_[i_++] - u'0');
            if (v > 0x7FFFFFFFLL) return Fail(u"number too large");
        }
        out = static_cast<int32_t>(negative ? -v : v);
        return true;
    }
    bool Button(int32_t &out) {
        Blanks();
        if (IsDigit(Peek()) || Peek() == u'-') return Number(out);
        const size_t at = i_;
        const std::u16string w = Word();
        for (const auto &b : kButtons)
            if (w == b.name) {
                out = b.id;
                return true;
            }
        i_ = at;
        return Fail(u"button name or number expected");
    }
    // Free text up to one of `stops` (not consumed), with backslash escapes.
    std::u16string Until(std::u16string_view stops) {
        std::u16string t;
        while (!AtEnd()) {
            const char16_t c = s_[i_];
            if (stops.find(c) != std::u16string_view::npos) break;
            if (c == u'\\' && i_ + 1 < s_.size() && std::u16string_view(u";)}{\\*").find(s_[i_ + 1]) != std::u16string_view::npos) {
                t += s_[i_ + 1];
                i_ += 2;
                continue;
            }
            t += c;
            ++i_;
        }
        return t;
    }
    static std::u16string Trim(std::u16string t) {
        size_t a = 0, b = t.size();
        while (a < b && IsBlank(t[a])) ++a;
        while (b > a && IsBlank(t[b - 1])) --b;
        return t.substr(a, b - a);
    }
    bool Setting(Answer &a) {
        // After '{'.
        Blanks();
        const std::u16string what = Word();
        int32_t id = 0;
        if (what != u"check" && what != u"text") return Fail(u"'check' or 'text' expected");
        if (!Number(id) || !Expect(u'=')) return false;
        if (what == u"check") {
            int32_t state = 0;
            if (!Number(state)) return false;
            if (state < 0 || state > 2) return Fail(u"check state 0, 1 or 2 expected");
            a.checks.emplace_back(id, static_cast<int>(state));
            return Expect(u'}');
        }
        a.texts.emplace_back(id, Until(u"}"));
        if (Peek() != u'}') return Fail(u"'}' expected");
        ++i_;
        return true;
    }
    bool Entry(Answer &a, int &count) {
        const size_t at = i_;
        const std::u16string kind = Word();
        if (kind == u"box") {
            a.target = Answer::Target::Box;
            Blanks();
            if (Peek() == u'(') {
                ++i_;
                a.match = Trim(Until(u")"));
                if (Peek() != u')') return Fail(u"')' expected");
                ++i_;
            }
            if (!Expect(u':') || !Button(a.button)) return false;
        } else if (kind == u"dialog") {
            a.target = Answer::Target::Dialog;
            Blanks();
            if (IsDigit(Peek()) && !Number(a.dialogId)) return false;
            if (!Expect(u':') || !Button(a.button)) return false;
            for (;;) {
                Blanks();
                if (Peek() != u'{') break;
                ++i_;
                if (!Setting(a)) return false;
            }
        } else if (kind == u"file") {
            a.target = Answer::Target::File;
            if (!Expect(u':')) return false;
            a.path = Trim(Until(u";*"));
            a.button = a.path.empty() ? kIdCancel : kIdOk;
        } else if (kind == u"any") {
            a.target = Answer::Target::Any;
            if (!Expect(u':') || !Button(a.button)) return false;
        } else {
            i_ = at;
            return Fail(u"'box', 'dialog', 'file' or 'any' expected");
        }
        Blanks();
        if (Peek() == u'*') {
            ++i_;
            int32_t n = 0;
            if (!Number(n)) return false;
            if (n < 1 || n > 10000) return Fail(u"count 1 to 10000 expected");
            count = n;
        }
        return true;
    }

    std::u16string_view s_;
    size_t i_ = 0;
    std::u16string error_;
};

} // namespace

void QueueAnswer(Answer answer) { Pending().push_back(std::move(answer)); }

bool QueueAnswers(std::u16string_view script, std::u16string *error) {
    Parser p(script);
    std::vector<Answer> parsed;
    if (!p.Parse(parsed)) {
        if (error) *error = p.Error();
        return false;
    }
    for (auto &a : parsed) Pending().push_back(std::move(a));
    if (error) error->clear();
    return true;
}

void ClearAnswers() { Pending().clear(); }

size_t PendingAnswers() { return Pending().size(); }

std::optional<Answer> TakeAnswer(const std::function<bool(const Answer &)> &fits) {
    auto &q = Pending();
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (!fits(*it)) continue;
        Answer a = std::move(*it);
        q.erase(it);
        return a;
    }
    return std::nullopt;
}

} // namespace vk::ui
