// Collects a drawing's entities, block by block, as dxflib reports them.
//
// dxflib hands every group code and value to processCodeValuePair before it
// reports the entity that the value 0 has just closed. Tracking the entity
// records there gives each entity's kind, layer and block even when dxflib
// has no call for it, so that no entity disappears unreported.
#include "shapemod/dxfimport_reader.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "vxstd12u/tolerances.h"

namespace shapemod {

namespace {

// Runs `fill` on `item`; a refusal, the importer's own or the shape
// library's, becomes the item's reason instead.
template <class Item, class Fill>
void fillOrGiveReason(Item& item, const Fill& fill) {
    try {
        fill(item);
    } catch (const DxfSkip& skip) {
        item.reason = skip.reason();
    } catch (const ccShapesError::Errors& e) {
        item.reason = e.what();
    }
}

bool isStructural(const std::string& kind) {
    return kind == "SECTION" || kind == "ENDSEC" || kind == "BLOCK" || kind == "ENDBLK" ||
           kind == "SEQEND" || kind == "EOF";
}

std::string reasonFor(const std::string& kind) {
    static const std::map<std::string, std::string> reasons = {
        {"TEXT", "text has no outline"},
        {"MTEXT", "text has no outline"},
        {"ATTRIB", "text has no outline"},
        {"ATTDEF", "text has no outline"},
        {"DIMENSION", "annotation"},
        {"LEADER", "annotation"},
        {"MLEADER", "annotation"},
        {"TOLERANCE", "annotation"},
        {"HATCH", "a fill, not an outline"},
        {"SOLID", "a fill, not an outline"},
        {"TRACE", "a fill, not an outline"},
        {"WIPEOUT", "a fill, not an outline"},
        {"POINT", "a point has no outline"},
        {"XLINE", "an infinite line"},
        {"RAY", "an infinite line"},
        {"3DFACE", "a 3D entity"},
        {"3DSOLID", "a 3D entity"},
        {"BODY", "a 3D entity"},
        {"MESH", "a 3D entity"},
        {"SURFACE", "a 3D entity"},
        {"REGION", "a solid-model entity"},
        {"IMAGE", "a raster image"},
        {"VIEWPORT", "a layout viewport"},
        {"VERTEX", "a vertex outside a polyline"},
    };
    const auto found = reasons.find(kind);
    return found == reasons.end() ? "entity kind not supported" : found->second;
}

}  // namespace

// ---- Records ----

void DxfReader::processCodeValuePair(unsigned int code, const std::string& value) {
    if (code == 0) {
        startRecord(value);
    } else if (code == 2 && sectionNamePending_) {
        section_ = value;
        sectionNamePending_ = false;
    } else if (code == 2 && current_.kind == "BLOCK") {
        block_ = value;
    } else if (code == 8) {
        current_.layer = value;
    } else if (code == 67) {
        current_.paperSpace = std::atoi(value.c_str()) == 1;
    } else if (code == 70) {
        current_.flags = std::atoi(value.c_str());
    }
}

void DxfReader::startRecord(const std::string& kind) {
    reportUnclaimed(finished_);
    if (!isVertexPart(current_)) finishPending();
    finished_ = current_;
    if (kind == "SECTION") sectionNamePending_ = true;
    if (kind == "ENDSEC") section_.clear();
    if (kind == "ENDBLK") block_.clear();
    current_ = Record();
    current_.id = ++lastId_;
    current_.kind = kind;
    current_.block = block_;
    current_.isEntity = (section_ == "ENTITIES" || section_ == "BLOCKS") && !isStructural(kind);
    if (current_.isEntity && kind != "VERTEX") current_.entity = ++lastEntity_;
}

bool DxfReader::isVertexPart(const Record& r) const {
    return r.kind == "VERTEX" || r.kind == "SEQEND" || (pending_ && pending_->record.id == r.id);
}

void DxfReader::reportUnclaimed(const Record& r) {
    if (r.isEntity && !r.claimed) items(r).push_back(skipped(r, reasonFor(r.kind)));
}

std::vector<DxfReader::Item>& DxfReader::items(const Record& r) {
    return r.block.empty() ? drawing_.entities : drawing_.blocks[r.block].items;
}

DxfReader::Item DxfReader::skipped(const Record& r, const std::string& reason) const {
    Item item;
    item.kind = r.kind;
    item.layer = r.layer;
    item.reason = reason;
    item.entity = r.entity;
    return item;
}

void DxfReader::finish() {
    finishPending();
    reportUnclaimed(finished_);
    reportUnclaimed(current_);
    finished_ = current_ = Record();
}

// ---- Entities dxflib reports ----

// Claims the entity that dxflib reports now and files the item `fill`
// completes (with a piece or a placement), or the reason it cannot.
void DxfReader::addPiece(const std::function<void(Item&)>& fill) {
    finishPending();
    Record& r = finished_;
    if (!r.isEntity || r.claimed) return;
    r.claimed = true;
    Item item = skipped(r, r.paperSpace ? "in paper space" : "");
    if (!r.paperSpace) fillOrGiveReason(item, fill);
    items(r).push_back(item);
}

cc2Xform DxfReader::planeMap() {
    double n[3];
    getExtrusion()->getDirection(n);
    return dxfPlaneMap(n);
}

void DxfReader::addLine(const DL_LineData& d) {
    addPiece([&](Item& item) {
        if (std::abs(d.z1 - d.z2) > cc_tol::kCoincident)
            throw DxfSkip("not parallel to the drawing plane");
        const ccVector<2> a(d.x1, d.y1), b(d.x2, d.y2);
        if (!((b - a).len() > cc_tol::kCoincident)) throw DxfSkip("zero length");
        item.shape = cfMakeHandle<ccLineSeg>(a, b);
    });
}

void DxfReader::addArc(const DL_ArcData& d) {
    addPiece([&](Item& item) {
        const cc2Xform map = planeMap();
        const auto arc = dxfArc(ccVector<2>(d.cx, d.cy), d.radius, d.angle1, d.angle2);
        item.shape = map.isIdentity() ? arc : arc->mapShape(map);
    });
}

void DxfReader::addCircle(const DL_CircleData& d) {
    addPiece([&](Item& item) {
        const cc2Xform map = planeMap();
        if (!(d.radius > cc_tol::kCoincident)) throw DxfSkip("zero radius");
        // A circle has no start or direction in a drawing: only its centre moves.
        item.shape = cfMakeHandle<ccCircle>(map.mapPoint(ccVector<2>(d.cx, d.cy)), d.radius);
    });
}

void DxfReader::addEllipse(const DL_EllipseData& d) {
    addPiece([&](Item& item) {
        const cc2Xform map = planeMap();
        if (!(std::abs(d.mz) <= cc_tol::kCoincident))
            throw DxfSkip("not parallel to the drawing plane");
        // Centre and axis are world points already; the extrusion only says
        // from which side the parameter runs counter-clockwise.
        item.shape = dxfEllipse(ccVector<2>(d.cx, d.cy), ccVector<2>(d.mx, d.my), d.ratio, d.angle1,
                                d.angle2, map.determinant() > 0.0);
    });
}

void DxfReader::addInsert(const DL_InsertData& d) {
    addPiece([&](Item& item) {
        const cc2Xform map = planeMap();
        dxfRequireFinite("a placement value",
                         {d.ipx, d.ipy, d.sx, d.sy, d.angle, d.colSp, d.rowSp});
        if (d.sx == 0.0 || d.sy == 0.0) throw DxfSkip("zero scale");
        const long cols = std::max(1, d.cols), rows = std::max(1, d.rows);
        if (cols * rows > kMaxExpandedPieces) throw DxfSkip("too many array copies");
        const cc2Matrix turn = cc2Matrix::rotation(ccRadian(d.angle / ccDegreesPerRadian));
        const cc2Xform shape(turn * cc2Matrix::scale(d.sx, d.sy), ccVector<2>());
        item.block = d.name;
        for (long r = 0; r < rows; ++r)
            for (long c = 0; c < cols; ++c) {
                const ccVector<2> at =
                    ccVector<2>(d.ipx, d.ipy) + turn * ccVector<2>(c * d.colSp, r * d.rowSp);
                item.placements.push_back(map * cc2Xform::translation(at) * shape);
            }
    });
}

void DxfReader::addBlock(const DL_BlockData& d) {
    drawing_.blocks[d.name].base = ccVector<2>(d.bpx, d.bpy);
}

void DxfReader::addLayer(const DL_LayerData& d) {
    drawing_.layerTable.push_back(d.name);
}

// ---- Entities whose data come in several calls ----

void DxfReader::startPending(Pending::Kind kind) {
    finishPending();
    Record& r = finished_;
    if (!r.isEntity || r.claimed) return;
    r.claimed = true;
    items(r).push_back(skipped(r, ""));
    pending_ = std::make_unique<Pending>();
    pending_->kind = kind;
    pending_->record = r;
    pending_->slot = items(r).size() - 1;
}

void DxfReader::addPolyline(const DL_PolylineData& d) {
    startPending(Pending::kPolyline);
    if (!pending_) return;
    pending_->closed = (d.flags & 1) != 0;
    if (d.flags & (8 | 16 | 64)) pending_->refusal = "a 3D polyline or mesh";
    try {
        pending_->map = planeMap();
    } catch (const DxfSkip& skip) {
        pending_->refusal = skip.reason();
    }
}

void DxfReader::addVertex(const DL_VertexData& d) {
    if (!pending_ || pending_->kind != Pending::kPolyline) return;
    finished_.claimed = true;
    // Control points of a spline-fitted polyline frame the curve; the
    // fitted vertices that follow are the ones drawn.
    if (finished_.kind == "VERTEX" && (finished_.flags & 16)) return;
    pending_->vertices.push_back({ccVector<2>(d.x, d.y), d.bulge});
}

void DxfReader::addSpline(const DL_SplineData& d) {
    startPending(Pending::kSpline);
    if (!pending_) return;
    pending_->spline.degree = static_cast<int>(std::min<unsigned>(d.degree, INT_MAX));
}

void DxfReader::addControlPoint(const DL_ControlPointData& d) {
    if (!pending_ || pending_->kind != Pending::kSpline) return;
    if (!pending_->spline.points.empty() && std::abs(d.z - pending_->firstZ) > cc_tol::kCoincident)
        pending_->refusal = "not parallel to the drawing plane";
    if (pending_->spline.points.empty()) pending_->firstZ = d.z;
    pending_->spline.points.emplace_back(d.x, d.y);
    pending_->spline.weights.push_back(d.w);
}

void DxfReader::addKnot(const DL_KnotData& d) {
    if (pending_ && pending_->kind == Pending::kSpline) pending_->spline.knots.push_back(d.k);
}

void DxfReader::addFitPoint(const DL_FitPointData&) {
    if (pending_ && pending_->kind == Pending::kSpline) ++pending_->fitPoints;
}

void DxfReader::endSequence() {
    finishPending();
}

void DxfReader::finishPending() {
    if (!pending_) return;
    const std::unique_ptr<Pending> p = std::move(pending_);
    Item& item = items(p->record)[p->slot];
    if (p->record.paperSpace) p->refusal = "in paper space";
    if (p->kind == Pending::kSpline && p->spline.points.empty() && p->fitPoints > 0)
        p->refusal = "defined by fit points only";
    if (!p->refusal.empty()) {
        item.reason = p->refusal;
        return;
    }
    fillOrGiveReason(item, [&p](Item& it) {
        if (p->kind == Pending::kSpline) {
            it.shape = dxfSpline(p->spline);
        } else {
            const auto line = dxfPolyline(p->vertices, p->closed, it.droppedVertices);
            it.shape = p->map.isIdentity() ? line : line->mapShape(p->map);
        }
    });
}

}  // namespace shapemod
