#include "imaging/bmphuffman.h"

#include "imaging/bmpcanvas.h"
#include "imaging/bmprows.h"

#include <array>
#include <vector>

namespace mv {

namespace {

// ITU T.4 one-dimensional coding, tables 2 and 3: the code of each run length. Terminating
// codes give runs of 0 to 63; make-up codes runs of 64 to 1728 in steps of 64, to which a
// terminating code adds; the extended make-up codes (1792 to 2560) serve both colours.
const char *const WhiteTerminating[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
};
const char *const BlackTerminating[64] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
};
const char *const WhiteMakeUp[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011",
};
const char *const BlackMakeUp[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",
    "000000110100",  "000000110101",  "0000001101100", "0000001101101", "0000001001010",
    "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011",
    "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
    "0000001100100", "0000001100101",
};
const char *const ExtendedMakeUp[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111",
};

constexpr int LongestCode = 13;
constexpr int EndOfLine = -1;   // eleven or more zeros, then a one
constexpr int NoCode = -2;

// Run length by code, one table per code length: -1 where no code of that length is.
class CodeTable
{
public:
    CodeTable(const char *const *terminating, const char *const *makeUp)
    {
        for (int length = 1; length <= LongestCode; ++length)
            mRuns[size_t(length)].assign(size_t(1) << length, -1);
        for (int run = 0; run < 64; ++run)
            add(terminating[run], run);
        for (int i = 0; i < 27; ++i)
            add(makeUp[i], 64 * (i + 1));
        for (int i = 0; i < 13; ++i)
            add(ExtendedMakeUp[i], 1792 + 64 * i);
    }
    int run(int length, quint32 code) const { return mRuns[size_t(length)][code]; }

private:
    void add(const char *bits, int run)
    {
        quint32 code = 0;
        int length = 0;
        for (; bits[length]; ++length)
            code = (code << 1) | quint32(bits[length] == '1');
        mRuns[size_t(length)][code] = run;
    }
    std::array<std::vector<int>, LongestCode + 1> mRuns;
};

const CodeTable &Table(int colour)
{
    static const CodeTable white(WhiteTerminating, WhiteMakeUp);
    static const CodeTable black(BlackTerminating, BlackMakeUp);
    return colour == 0 ? white : black;
}

// Bits from the most significant of each byte; past the end, none.
class BitReader
{
public:
    explicit BitReader(QByteArrayView data) : mData(data), mEnd(qint64(data.size()) * 8) {}
    bool has(int bits) const { return mPos + bits <= mEnd; }
    quint32 peek(int bits) const
    {
        quint32 v = 0;
        for (int i = 0; i < bits; ++i) {
            const qint64 at = mPos + i;
            const quint32 bit = at < mEnd ? (quint8(mData[at >> 3]) >> (7 - (at & 7))) & 1 : 0;
            v = (v << 1) | bit;
        }
        return v;
    }
    void skip(int bits) { mPos += bits; }

private:
    QByteArrayView mData;
    qint64 mEnd;
    qint64 mPos = 0;
};

// The next code of the colour: a run length, EndOfLine or NoCode.
int NextCode(BitReader &bits, int colour)
{
    const CodeTable &table = Table(colour);
    for (int length = 2; length <= LongestCode && bits.has(length); ++length) {
        const int run = table.run(length, bits.peek(length));
        if (run >= 0) {
            bits.skip(length);
            return run;
        }
    }
    // An end of line, after any number of fill zeros.
    int zeros = 0;
    while (bits.has(1) && bits.peek(1) == 0) {
        bits.skip(1);
        ++zeros;
    }
    if (zeros >= 11 && bits.has(1)) {
        bits.skip(1);
        return EndOfLine;
    }
    return NoCode;
}

} // namespace

bool DecodeHuffman1D(QByteArrayView data, const BmpHeader &header, BmpCanvas &canvas)
{
    const std::array<QRgb, 256> palette = BmpRowUnpacker::FullPalette(header.palette);
    const int width = header.width;
    BitReader bits(data);
    qint64 written = 0;
    for (int row = 0; row < header.height; ++row) {
        const int y = header.height - 1 - row;
        QRgb *out = canvas.row(y);
        int x = 0;
        int colour = 0;
        bool broken = false;
        while (x < width) {
            // Make-up codes, then one terminating code.
            qint64 run = 0;
            int code = 0;
            do {
                code = NextCode(bits, colour);
                if (code == EndOfLine && x == 0 && run == 0)
                    continue; // the line's own start
                if (code < 0)
                    break;
                run += code;
            } while (code >= 64 || code == EndOfLine);
            if (code < 0) {
                broken = code == NoCode;
                break;
            }
            const int end = int(qMin<qint64>(width, x + run));
            for (int i = x; i < end; ++i)
                out[i] = palette[size_t(colour)];
            written += end - x;
            x = end;
            colour ^= 1;
        }
        canvas.commit(y, 0, x);
        if (broken)
            break;
    }
    return written == qint64(width) * header.height;
}

} // namespace mv
