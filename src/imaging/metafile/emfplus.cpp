#include "imaging/metafile/emfplus.h"

namespace mv::metafile {

namespace {
constexpr uint32_t EmfPlusId = 0x2B464D45;  // "EMF+"
constexpr uint32_t PublicId = 0x43494447;   // "GDIC"
constexpr uint16_t PlusHeader = 0x4001;
constexpr uint16_t PlusGetDc = 0x4004;

// The comment's payload: after the record head and its data-size field.
ByteReader payload(ByteReader comment)
{
    comment.seek(8);
    const uint32_t dataSize = comment.u32();
    if (!comment.ok() || !comment.contains(12, dataSize))
        return comment.sub(-1, 0);
    return comment.sub(12, dataSize);
}
} // namespace

CommentKind ClassifyComment(ByteReader comment)
{
    ByteReader data = payload(comment);
    const uint32_t id = data.u32();
    if (!data.ok())
        return CommentKind::Other;
    if (id == EmfPlusId)
        return CommentKind::EmfPlus;
    if (id == PublicId)
        return CommentKind::Public;
    return CommentKind::Other;
}

void ScanEmfPlusComment(ByteReader comment, EmfPlusInfo &info)
{
    ByteReader data = payload(comment);
    if (data.u32() != EmfPlusId || !data.ok())
        return;
    // Each record: type, flags, size (head included), data size.
    while (data.remaining() > 0) {
        const qint64 start = data.pos();
        const uint16_t type = data.u16();
        const uint16_t flags = data.u16();
        const uint32_t size = data.u32();
        data.u32();
        if (!data.ok() || size < 12 || !data.contains(start, size)) {
            info.damaged = true;
            return;
        }
        ++info.records;
        if (type == PlusHeader) {
            info.headerSeen = true;
            info.dual = (flags & 1) != 0;
        } else if (type == PlusGetDc) {
            ++info.getDcCount;
        }
        data.seek(start + size);
    }
}

} // namespace mv::metafile
