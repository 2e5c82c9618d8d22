#include "common/format.h"

#include <climits>
#include <cstring>

namespace vk {
namespace {

// Output cursor: counts every character, stores those that fit.
struct Output {
    char16_t *dest;
    size_t room;
    size_t count = 0;

    void Put(char16_t c) {
        if (count < room) dest[count] = c;
        ++count;
    }
    void Repeat(char16_t c, size_t n) {
        const size_t avail = count < room ? room - count : 0;
        const size_t stored = n < avail ? n : avail;
        for (size_t i = 0; i < stored; ++i) dest[count + i] = c;
        count += n;
    }
    void Write(const char16_t *s, size_t n) {
        const size_t avail = count < room ? room - count : 0;
        const size_t stored = n < avail ? n : avail;
        if (stored) std::memcpy(dest + count, s, stored * sizeof(char16_t));
        count += n;
    }
};

enum class Size { Default, Char, Short, Long, LongLong, SizeT, PtrDiff, IntMax, Int32 };

struct Directive {
    bool left = false, plus = false, space = false, zero = false, alt = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
    Size size = Size::Default;
    bool narrow = false; // 'h' before s or c: a narrow string or character
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a decimal number, saturating at INT_MAX.
size_t ReadNumber(const char16_t *&p) {
    size_t n = 0;
    while (IsDigit(*p)) {
        n = n * 10 + static_cast<size_t>(*p - u'0');
        if (n > INT_MAX) n = INT_MAX;
        ++p;
    }
    return n;
}

void Pad(Output &out, const Directive &d, size_t length, bool before) {
    if (d.width > length && d.left != before) out.Repeat(u' ', d.width - length);
}

void FormatString(Output &out, const Directive &d, const char16_t *s) {
    static const char16_t kNull[] = u"(null)";
    if (!s) s = kNull;
    size_t n = 0;
    const size_t limit = d.hasPrecision ? d.precision : SIZE_MAX;
    while (n < limit && s[n]) ++n;
    Pad(out, d, n, true);
    out.Write(s, n);
    Pad(out, d, n, false);
}

void FormatNarrowString(Output &out, const Directive &d, const char *s) {
    if (!s) s = "(null)";
    size_t n = 0;
    const size_t limit = d.hasPrecision ? d.precision : SIZE_MAX;
    while (n < limit && s[n]) ++n;
    Pad(out, d, n, true);
    for (size_t i = 0; i < n; ++i) out.Put(static_cast<char16_t>(static_cast<unsigned char>(s[i])));
    Pad(out, d, n, false);
}

void FormatChar(Output &out, const Directive &d, char16_t c) {
    Pad(out, d, 1, true);
    out.Put(c);
    Pad(out, d, 1, false);
}

// Integer directives: magnitude in `value`, sign given separately.
void FormatInteger(Output &out, const Directive &d, uint64_t value, bool negative, bool isSigned,
                   char16_t conv) {
    const unsigned base = (conv == u'x' || conv == u'X' || conv == u'p') ? 16 : conv == u'o' ? 8 : 10;
    const char *digitSet = conv == u'x' ? "0123456789abcdef" : "0123456789ABCDEF";

    char16_t digits[72];
    size_t n = 0;
    // Precision 0 with the value 0 prints no digits.
    if (!(value == 0 && d.hasPrecision && d.precision == 0)) {
        do {
            digits[n++] = static_cast<char16_t>(digitSet[value % base]);
            value /= base;
        } while (value);
    }

    char16_t prefix[2];
    size_t prefixLength = 0;
    if (isSigned) {
        if (negative) prefix[prefixLength++] = u'-';
        else if (d.plus) prefix[prefixLength++] = u'+';
        else if (d.space) prefix[prefixLength++] = u' ';
    }
    if (d.alt && n > 0 && !(n == 1 && digits[0] == u'0')) {
        if (base == 16 && conv != u'p') {
            prefix[prefixLength++] = u'0';
            prefix[prefixLength++] = conv;
        }
    }
    size_t precisionZeros = d.hasPrecision && d.precision > n ? d.precision - n : 0;
    // '#' with octal: the first digit is a 0.
    if (d.alt && base == 8 && precisionZeros == 0 && (n == 0 || digits[n - 1] != u'0')) precisionZeros = 1;

    const size_t body = prefixLength + precisionZeros + n;
    const bool zeroPad = d.zero && !d.left && !d.hasPrecision;
    if (!zeroPad) Pad(out, d, body, true);
    out.Write(prefix, prefixLength);
    if (zeroPad && d.width > body) out.Repeat(u'0', d.width - body);
    out.Repeat(u'0', precisionZeros);
    for (size_t i = n; i > 0; --i) out.Put(digits[i - 1]);
    Pad(out, d, body, false);
}

int64_t ReadSigned(Size size, va_list &args) {
    switch (size) {
    case Size::Char: return static_cast<signed char>(va_arg(args, int));
    case Size::Short: return static_cast<short>(va_arg(args, int));
    case Size::Long: return va_arg(args, long);
    case Size::LongLong: return va_arg(args, long long);
    case Size::SizeT:
    case Size::PtrDiff: return va_arg(args, ptrdiff_t);
    case Size::IntMax: return va_arg(args, intmax_t);
    case Size::Int32:
    case Size::Default: break;
    }
    return va_arg(args, int);
}

uint64_t ReadUnsigned(Size size, va_list &args) {
    switch (size) {
    case Size::Char: return static_cast<unsigned char>(va_arg(args, unsigned));
    case Size::Short: return static_cast<unsigned short>(va_arg(args, unsigned));
    case Size::Long: return va_arg(args, unsigned long);
    case Size::LongLong: return va_arg(args, unsigned long long);
    case Size::SizeT:
    case Size::PtrDiff: return va_arg(args, size_t);
    case Size::IntMax: return va_arg(args, uintmax_t);
    case Size::Int32:
    case Size::Default: break;
    }
    return va_arg(args, unsigned);
}

// Parses the size prefix at p, if any.
void ReadSize(const char16_t *&p, Directive &d) {
    switch (*p) {
    case u'h':
        ++p;
        if (*p == u'h') {
            ++p;
            d.size = Size::Char;
        } else {
            d.size = Size::Short;
        }
        d.narrow = true;
        return;
    case u'l':
        ++p;
        if (*p == u'l') {
            ++p;
            d.size = Size::LongLong;
        } else {
            d.size = Size::Long;
        }
        return;
    case u'I':
        if (p[1] == u'6' && p[2] == u'4') {
            p += 3;
            d.size = Size::LongLong;
        } else if (p[1] == u'3' && p[2] == u'2') {
            p += 3;
            d.size = Size::Int32;
        } else {
            ++p;
            d.size = Size::SizeT;
        }
        return;
    case u'z': ++p; d.size = Size::SizeT; return;
    case u't': ++p; d.size = Size::PtrDiff; return;
    case u'j': ++p; d.size = Size::IntMax; return;
    default: return;
    }
}

} // namespace

ptrdiff_t FormatText(char16_t *dest, size_t room, const char16_t *format, va_list args) {
    if (!format) return -1;
    Output out{dest, room};
    va_list ap;
    va_copy(ap, args);
    const char16_t *p = format;
    while (*p) {
        if (*p != u'%') {
            out.Put(*p++);
            continue;
        }
        const char16_t *start = p++;
        if (*p == u'%') {
            out.Put(u'%');
            ++p;
            continue;
        }
        Directive d;
        for (;; ++p) {
            if (*p == u'-') d.left = true;
            else if (*p == u'+') d.plus = true;
            else if (*p == u' ') d.space = true;
            else if (*p == u'0') d.zero = true;
            else if (*p == u'#') d.alt = true;
            else break;
        }
        if (*p == u'*') {
            ++p;
            const long long w = va_arg(ap, int);
            if (w < 0) d.left = true;
            d.width = static_cast<size_t>(w < 0 ? -w : w);
        } else {
            d.width = ReadNumber(p);
        }
        if (*p == u'.') {
            ++p;
            d.hasPrecision = true;
            if (*p == u'*') {
                ++p;
                const int prec = va_arg(ap, int);
                if (prec < 0) d.hasPrecision = false; // a negative precision counts as none
                else d.precision = static_cast<size_t>(prec);
            } else {
                d.precision = ReadNumber(p);
            }
        }
        ReadSize(p, d);
        const char16_t conv = *p;
        switch (conv) {
        case u'd':
        case u'i': {
            const int64_t v = ReadSigned(d.size, ap);
            const uint64_t magnitude = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
            FormatInteger(out, d, magnitude, v < 0, true, conv);
            break;
        }
        case u'u':
        case u'x':
        case u'X':
        case u'o': FormatInteger(out, d, ReadUnsigned(d.size, ap), false, false, conv); break;
        case u'p': {
            Directive pd = d;
            pd.hasPrecision = true;
            pd.precision = sizeof(void *) * 2;
            FormatInteger(out, pd, reinterpret_cast<uintptr_t>(va_arg(ap, void *)), false, false, conv);
            break;
        }
        case u'c':
        case u'C': {
            const int c = va_arg(ap, int);
            FormatChar(out, d, d.narrow ? static_cast<char16_t>(static_cast<unsigned char>(c)) : static_cast<char16_t>(c));
            break;
        }
        case u's':
        case u'S':
            if (d.narrow) FormatNarrowString(out, d, va_arg(ap, const char *));
            else FormatString(out, d, va_arg(ap, const char16_t *));
            break;
        default:
            // Unknown or incomplete directive: copy it as it stands.
            if (conv) ++p;
            out.Write(start, static_cast<size_t>(p - start));
            continue;
        }
        ++p;
    }
    va_end(ap);
    return static_cast<ptrdiff_t>(out.count);
}

int32_t FormatBoundedV(char16_t *dest, size_t size, const char16_t *format, va_list args) {
    if (!dest || size == 0 || size > kFormatMaxSize) return kFormatInvalidArg;
    const ptrdiff_t n = FormatText(dest, size - 1, format, args);
    if (n < 0) {
        dest[0] = 0;
        dest[size - 1] = 0;
        return kFormatTruncated;
    }
    if (static_cast<size_t>(n) > size - 1) {
        dest[size - 1] = 0;
        return kFormatTruncated;
    }
    dest[n] = 0;
    return kFormatOk;
}

int32_t FormatBounded(char16_t *dest, size_t size, const char16_t *format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t status = FormatBoundedV(dest, size, format, args);
    va_end(args);
    return status;
}

} // namespace vk
