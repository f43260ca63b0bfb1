#include "imaging/metafile/emfplus.h"

namespace mv::metafile {

namespace {
constexpr uint32_t EmfPlusId = 0x2B464D45;  // "EMF+"
constexpr uint32_t PublicId = 0x43494447;   // "GDIC"

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

} // namespace mv::metafile
