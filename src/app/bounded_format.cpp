// Bounds-checked formatting for the fixed buffers (see bounded_format.h).
//
// The program carries its own small formatter instead of the C library's: setup.exe
// runs on Windows 95 as first shipped, which has no msvcrt.dll, and it needs only a
// handful of conversions. Every character is written through one bounded writer, so
// nothing can pass the end of the buffer whatever the arguments hold.
#include "app/bounded_format.h"

#include <stdarg.h>
#include <stdint.h>
#include <string.h>

namespace {

// Appends to buffer[capacity]; remembers an overflow instead of writing past the end.
struct Writer {
    char* buffer;
    size_t capacity;
    size_t used;
    bool overflow;

    void put(char c) {
        if (used + 1 < capacity) buffer[used++] = c;
        else overflow = true;
    }
    void repeat(char c, int count) {
        for (int i = 0; i < count; ++i) put(c);
    }
    // text[length], padded to width: on the left unless leftAlign.
    void field(const char* text, size_t length, int width, bool leftAlign, char pad) {
        int padding = width > static_cast<int>(length) ? width - static_cast<int>(length) : 0;
        // Zeros go after a sign, as printf puts them.
        if (pad == '0' && length > 0 && text[0] == '-') {
            put('-');
            ++text;
            --length;
        }
        if (!leftAlign) repeat(pad, padding);
        for (size_t i = 0; i < length; ++i) put(text[i]);
        if (leftAlign) repeat(' ', padding);
    }
};

// Digits of value in base 10 or 16, written backwards from end; returns the first.
// unsigned long: 32 bits on Windows, so no 64-bit division helper is needed there.
char* digits(char* end, unsigned long value, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        *--end = set[value % base];
        value /= base;
    } while (value != 0);
    return end;
}

// The x87 at the 64-bit precision the rounding below is worked out for (exceptions masked),
// for as long as it runs, whatever the thread had: Windows NT starts every thread at 53
// bits, where 0.35 would print as 0.4, and a DLL in the process (Direct3D's) may set 24.
class ExtendedPrecision {
public:
#if defined(__i386__)
    ExtendedPrecision() {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const unsigned short extended = static_cast<unsigned short>((saved_ & 0x0C00) | 0x037F);  // its rounding kept
        __asm__ volatile("fldcw %0" : : "m"(extended));
    }
    ~ExtendedPrecision() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }

private:
    unsigned short saved_ = 0;
#endif
};

// value with precision decimals, rounded half to even on the exact binary value as the
// C library does. The scaling is done in the x87's extended precision, where a double
// times 10^4 or less is exact, so a value such as 0.35 (a little below it in binary)
// rounds down as printf rounds it. Only what fits in 31 bits once scaled is handled
// (the program prints megabytes of memory); anything else fails the whole format.
int fixedPoint(char* out, size_t capacity, double value, int precision) {
    [[maybe_unused]] ExtendedPrecision extended;
    if (precision > 4) return 0;
    bool negative = value < 0;
    if (negative) value = -value;
    long double scaled = value;
    for (int i = 0; i < precision; ++i) scaled *= 10;
    if (!(scaled < 2147483647.0L)) return 0;  // also refuses NaN
    int32_t whole = static_cast<int32_t>(scaled);
    long double rest = scaled - whole;
    if (rest > 0.5L || (rest == 0.5L && (whole & 1))) ++whole;
    char text[24];
    char* end = text + sizeof text;
    char* p = digits(end, static_cast<uint32_t>(whole), 10, false);
    while (end - p <= precision) *--p = '0';  // at least one digit before the point
    size_t used = 0;
    if (negative) out[used++] = '-';
    size_t integerDigits = static_cast<size_t>(end - p) - static_cast<size_t>(precision);
    if (used + static_cast<size_t>(end - p) + 2 > capacity) return 0;
    memcpy(out + used, p, integerDigits);
    used += integerDigits;
    if (precision > 0) {
        out[used++] = '.';
        memcpy(out + used, p + integerDigits, static_cast<size_t>(precision));
        used += static_cast<size_t>(precision);
    }
    out[used] = '\0';
    return 1;
}

int formatInto(Writer* out, const char* format, va_list args) {
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%') {
            out->put(*f);
            continue;
        }
        ++f;
        bool leftAlign = false;
        char pad = ' ';
        for (;; ++f) {
            if (*f == '-') leftAlign = true;
            else if (*f == '0') pad = '0';
            else break;
        }
        int width = 0;
        if (*f == '*') {
            width = va_arg(args, int);
            ++f;
        } else {
            while (*f >= '0' && *f <= '9') width = width * 10 + (*f++ - '0');
        }
        int precision = -1;
        if (*f == '.') {
            ++f;
            precision = 0;
            if (*f == '*') {
                precision = va_arg(args, int);
                ++f;
            } else {
                while (*f >= '0' && *f <= '9') precision = precision * 10 + (*f++ - '0');
            }
        }
        bool isLong = false;
        if (*f == 'l') {
            isLong = true;
            ++f;
        }
        if (leftAlign) pad = ' ';
        char number[32];
        char* end = number + sizeof number;
        switch (*f) {
        case '%':
            out->put('%');
            break;
        case 'c':
            number[0] = static_cast<char>(va_arg(args, int));
            out->field(number, 1, width, leftAlign, ' ');
            break;
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == nullptr) text = "(null)";
            size_t length = 0;
            while (text[length] != '\0' && (precision < 0 || length < static_cast<size_t>(precision))) ++length;
            out->field(text, length, width, leftAlign, ' ');
            break;
        }
        case 'd':
        case 'i': {
            long value = isLong ? va_arg(args, long) : va_arg(args, int);
            unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
            char* p = digits(end, magnitude, 10, false);
            if (value < 0) *--p = '-';
            out->field(p, static_cast<size_t>(end - p), width, leftAlign, pad);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long value = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned int);
            char* p = digits(end, value, *f == 'u' ? 10 : 16, *f == 'X');
            out->field(p, static_cast<size_t>(end - p), width, leftAlign, pad);
            break;
        }
        case 'f':
            if (!fixedPoint(number, sizeof number, va_arg(args, double), precision < 0 ? 6 : precision)) return 0;
            out->field(number, strlen(number), width, leftAlign, pad);
            break;
        default:
            return 0;  // a conversion the program never uses: refuse rather than guess
        }
    }
    return 1;
}

}  // namespace

int formatText(char* buffer, size_t capacity, const char* format, ...) {
    if (buffer == nullptr || capacity == 0) return 0;
    Writer out = {buffer, capacity, 0, false};
    va_list args;
    va_start(args, format);
    int understood = formatInto(&out, format, args);
    va_end(args);
    if (!understood || out.overflow) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[out.used] = '\0';
    return 1;
}

int copyText(char* buffer, size_t capacity, const char* text) {
    if (buffer == nullptr || capacity == 0) return 0;
    size_t length = strlen(text);
    if (length >= capacity) {
        buffer[0] = '\0';
        return 0;
    }
    memcpy(buffer, text, length + 1);
    return 1;
}

int settleRegistryText(char* buffer, size_t capacity, size_t size, int stored) {
    if (capacity == 0) return 0;
    // A reported size beyond the buffer means the text did not fit, whatever the
    // status said: nothing past the buffer is ever looked at.
    if (size > capacity) stored = 0;
    if (stored && size > 0 && buffer[size - 1] != '\0') {
        if (size == capacity) stored = 0;
        else buffer[size] = '\0';
    }
    if (!stored || size == 0) buffer[0] = '\0';
    return stored ? 1 : 0;
}
