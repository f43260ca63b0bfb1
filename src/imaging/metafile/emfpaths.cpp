// EMF records of the path bracket.

#include "imaging/metafile/emfhandlers.h"

namespace mv::metafile::emf {

void AddPathHandlers(HandlerTable &t)
{
    t[emr::BeginPath] = {[](Player &p, ByteReader &) { p.beginPath(); }, 8};
    t[emr::EndPath] = {[](Player &p, ByteReader &) { p.endPath(); }, 8};
    t[emr::AbortPath] = {[](Player &p, ByteReader &) { p.abortPath(); }, 8};
    t[emr::CloseFigure] = {[](Player &p, ByteReader &) { p.closeFigure(); }, 8};
    // These carry bounds that the player has no use for.
    t[emr::FillPath] = {[](Player &p, ByteReader &) { p.fillPath(); }, 8};
    t[emr::StrokePath] = {[](Player &p, ByteReader &) { p.strokePath(); }, 8};
    t[emr::StrokeAndFillPath] = {[](Player &p, ByteReader &) { p.strokeAndFillPath(); }, 8};
    t[emr::FlattenPath] = {[](Player &p, ByteReader &) { p.flattenPath(); }, 8};
    t[emr::WidenPath] = {[](Player &p, ByteReader &) { p.widenPath(); }, 8};
    t[emr::SelectClipPath] = {[](Player &p, ByteReader &r) {
                                  const uint32_t mode = r.u32();
                                  if (r.ok())
                                      p.selectClipPath(int(mode));
                              },
                              12};
}

} // namespace mv::metafile::emf
