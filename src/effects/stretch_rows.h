#pragma once
// The rows of the stretch and slide family, written as assignments to the edges of the
// destination rectangle D (in the buffer) and the source rectangle S (in the picture):
//
//     "D.l = S.l = 0; D.r = S.r = dx/2 + 1; copy; then D.l = S.l = W - dx/2 - 1; ..."
//     "D = (0, 0, dx/2 + 1, dy/2 + 1), S = (0, 0, W/2 + 1, H/2 + 1); copy; then ..."
//
// An edge is D.l, D.t, D.r, D.b, S.l, S.t, S.r or S.b; a whole rectangle D or S takes
// (left, top, right, bottom). Values are integer expressions of W, H, dx and dy with
// + - * / and parentheses, "2W" meaning 2 * W; divisions truncate toward zero. `copy`
// stretches S onto D; "then" may open any statement and means nothing. Statements are
// separated by ';' or ','. A row is compiled while the program is built, so a row
// that does not read is a build error rather than a wrong frame.

#include "platform/gdi/types.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace effects::stretch_rows {

enum class Code : uint8_t { Number, Var, Add, Sub, Mul, Div, Set, Pop, Copy };
enum Var : uint8_t { kW, kH, kDx, kDy };

struct Op {
    Code code = Code::Number;
    uint8_t arg = 0;   // the variable, or the edge of Set (D.l, D.t, D.r, D.b, S.l, S.t, S.r, S.b)
    int16_t value = 0; // the number, the depth Set reads from the top of the stack, or Pop's count
};

constexpr int kMaxOps = 320;
constexpr int kStackSize = 16;

struct Program {
    std::array<Op, kMaxOps> ops{};
    int size = 0;
};

namespace detail {

class Compiler {
public:
    constexpr explicit Compiler(std::string_view text) : text_(text) {}

    constexpr Program run()
    {
        statement();
        while (accept(';') || accept(','))
            statement();
        skipSpace();
        if (pos_ != text_.size())
            fail("unexpected text");
        return program_;
    }

private:
    [[noreturn]] static void fail(const char* what) { throw std::logic_error(what); }

    constexpr void put(Code code, int arg = 0, int value = 0)
    {
        if (program_.size == kMaxOps)
            fail("row too long");
        program_.ops[size_t(program_.size++)] = Op{code, uint8_t(arg), int16_t(value)};
    }

    constexpr void skipSpace()
    {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }
    constexpr bool accept(char c)
    {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    constexpr void expect(char c)
    {
        if (!accept(c))
            fail("missing punctuation");
    }
    static constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static constexpr bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    // A word of letters and dots (D.l, dx, copy, then).
    constexpr std::string_view word()
    {
        skipSpace();
        const size_t from = pos_;
        while (pos_ < text_.size() && (text_[pos_] == '.' || isLetter(text_[pos_])))
            ++pos_;
        return text_.substr(from, pos_ - from);
    }

    // A number, pushed; its value is returned.
    constexpr int number()
    {
        skipSpace();
        if (pos_ == text_.size() || !isDigit(text_[pos_]))
            fail("missing number");
        int n = 0;
        while (pos_ < text_.size() && isDigit(text_[pos_])) {
            n = n * 10 + (text_[pos_++] - '0');
            if (n > INT16_MAX)
                fail("number too large");
        }
        put(Code::Number, 0, n);
        return n;
    }

    // One assignment target: an edge (0..7) or a whole rectangle (8 for D, 9 for S).
    static constexpr int target(std::string_view w)
    {
        constexpr std::string_view edges[] = {"D.l", "D.t", "D.r", "D.b", "S.l", "S.t", "S.r", "S.b", "D", "S"};
        for (int i = 0; i < 10; ++i)
            if (w == edges[i])
                return i;
        fail("not an edge or a rectangle");
    }

    constexpr void statement()
    {
        std::string_view w = word();
        if (w == "then")
            w = word();
        if (w == "copy") {
            put(Code::Copy);
            return;
        }
        int targets[kStackSize] = {};
        int count = 0;
        targets[count++] = target(w);
        expect('=');
        // More targets while the next word is one followed by '='.
        for (;;) {
            const size_t mark = pos_;
            const std::string_view next = word();
            if (!next.empty() && accept('=')) {
                if (count == kStackSize)
                    fail("too many targets");
                targets[count++] = target(next);
                continue;
            }
            pos_ = mark;
            break;
        }
        const bool rect = targets[0] >= 8;
        for (int i = 0; i < count; ++i)
            if ((targets[i] >= 8) != rect)
                fail("an edge and a rectangle in one assignment");
        if (rect) {
            expect('(');
            for (int k = 0; k < 4; ++k) {
                if (k > 0)
                    expect(',');
                expression(1 + k);
            }
            expect(')');
            for (int i = 0; i < count; ++i)
                for (int k = 0; k < 4; ++k)
                    put(Code::Set, (targets[i] - 8) * 4 + k, 3 - k);
            put(Code::Pop, 0, 4);
        } else {
            expression(1);
            for (int i = 0; i < count; ++i)
                put(Code::Set, targets[i], 0);
            put(Code::Pop, 0, 1);
        }
    }

    // `depth` counts the values on the stack once this one is pushed.
    constexpr void expression(int depth)
    {
        term(depth);
        for (;;) {
            if (accept('+')) {
                term(depth + 1);
                put(Code::Add);
            } else if (accept('-')) {
                term(depth + 1);
                put(Code::Sub);
            } else {
                return;
            }
        }
    }
    constexpr void term(int depth)
    {
        factor(depth);
        for (;;) {
            if (accept('*')) {
                factor(depth + 1);
                put(Code::Mul);
            } else if (accept('/')) {
                // Only by a number: no step can divide by zero.
                if (depth + 1 > kStackSize)
                    fail("expression too deep");
                if (number() <= 0)
                    fail("division by zero");
                put(Code::Div);
            } else {
                return;
            }
        }
    }
    constexpr void factor(int depth)
    {
        if (depth > kStackSize)
            fail("expression too deep");
        if (accept('(')) {
            expression(depth);
            expect(')');
            return;
        }
        skipSpace();
        if (pos_ < text_.size() && isDigit(text_[pos_])) {
            number();
            // "2W": a number written against a variable multiplies it.
            if (pos_ < text_.size() && isLetter(text_[pos_])) {
                if (depth + 1 > kStackSize)
                    fail("expression too deep");
                variable();
                put(Code::Mul);
            }
            return;
        }
        variable();
    }
    constexpr void variable()
    {
        const std::string_view w = word();
        if (w == "W")
            put(Code::Var, kW);
        else if (w == "H")
            put(Code::Var, kH);
        else if (w == "dx")
            put(Code::Var, kDx);
        else if (w == "dy")
            put(Code::Var, kDy);
        else
            fail("not a number or W, H, dx, dy");
    }

    std::string_view text_;
    size_t pos_ = 0;
    Program program_;
};

}  // namespace detail

// Compiles a row; in a constant expression a row that does not read stops the build.
constexpr Program Compile(std::string_view text) { return detail::Compiler(text).run(); }

// The values a row reads, in the order of Var.
struct Extents {
    int W, H, dx, dy;
};

// Carries out a row on D and S, calling copy() at each `copy`.
template <class CopyFn>
void Run(const Program& row, const Extents& e, platform::TRect& D, platform::TRect& S, CopyFn&& copy)
{
    const int vars[4] = {e.W, e.H, e.dx, e.dy};
    int* const edges[8] = {&D.Left, &D.Top, &D.Right, &D.Bottom, &S.Left, &S.Top, &S.Right, &S.Bottom};
    int stack[kStackSize];
    int top = 0;  // values on the stack
    for (int i = 0; i < row.size; ++i) {
        const Op& op = row.ops[size_t(i)];
        switch (op.code) {
        case Code::Number: stack[top++] = op.value; break;
        case Code::Var: stack[top++] = vars[op.arg]; break;
        case Code::Add: --top; stack[top - 1] += stack[top]; break;
        case Code::Sub: --top; stack[top - 1] -= stack[top]; break;
        case Code::Mul: --top; stack[top - 1] *= stack[top]; break;
        case Code::Div: --top; stack[top - 1] /= stack[top]; break;
        case Code::Set: *edges[op.arg] = stack[top - 1 - op.value]; break;
        case Code::Pop: top -= op.value; break;
        case Code::Copy: copy(); break;
        }
    }
}

}  // namespace effects::stretch_rows
