// The importer's side of dxflib: the drawing as read, before blocks are
// expanded and layers gathered. Internal to the DXF importer.
#pragma once
#include <dxflib/dl_creationadapter.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shapemod/dxfimport.h"

namespace shapemod {

// The text dxflib is to read for the DXF text `contents`: its layer table,
// blocks and entities, each entity with the fields the importer reads and
// with counts that match the data. Throws FileError naming `name` when the
// contents are not pairs of a group code line and a value line (a binary
// DXF included).
std::string dxfReadableText(const std::string& contents, const std::string& name);

// Entities of the ENTITIES section and of every block definition, in file
// order, each as a piece, a block reference or the reason it was left out.
struct DxfDrawing {
    struct Item {
        std::string kind;  // DXF entity name
        std::string layer;
        std::string reason;                // non-empty: left out for this reason
        long entity = 0;                   // the entity's number (see DxfCrossing)
        ccPtrHandle_const<ccShape> shape;  // the piece, in its block's coordinates
        long droppedVertices = 0;          // coincident polyline vertices left out
        std::string block;                 // INSERT: the block it places
        std::vector<cc2Xform> placements;  // INSERT: one map per array copy
    };
    struct Block {
        ccVector<2> base;
        std::vector<Item> items;
    };
    std::vector<std::string> layerTable;
    std::vector<Item> entities;
    std::map<std::string, Block> blocks;
};

// Fill it by DL_Dxf::in, then call finish() once; drawing() is complete
// after that. Entities it cannot represent are filed with their reason;
// the only exceptions that leave it are those of memory.
class DxfReader : public DL_CreationAdapter {
  public:
    using Item = DxfDrawing::Item;

    void finish();
    const DxfDrawing& drawing() const noexcept { return drawing_; }

    void processCodeValuePair(unsigned int code, const std::string& value) override;
    void addLayer(const DL_LayerData& d) override;
    void addBlock(const DL_BlockData& d) override;
    void addLine(const DL_LineData& d) override;
    void addArc(const DL_ArcData& d) override;
    void addCircle(const DL_CircleData& d) override;
    void addEllipse(const DL_EllipseData& d) override;
    void addInsert(const DL_InsertData& d) override;
    void addPolyline(const DL_PolylineData& d) override;
    void addVertex(const DL_VertexData& d) override;
    void addSpline(const DL_SplineData& d) override;
    void addControlPoint(const DL_ControlPointData& d) override;
    void addKnot(const DL_KnotData& d) override;
    void addFitPoint(const DL_FitPointData& d) override;
    void endSequence() override;

  private:
    // One entity record of the file as the group codes describe it.
    struct Record {
        long id = 0;
        long entity = 0;  // 0 for records that are not entities or are vertices
        std::string kind;
        std::string layer = "0";
        std::string block;  // empty in the ENTITIES section
        int flags = 0;
        bool paperSpace = false;
        bool isEntity = false;
        bool claimed = false;  // a call of dxflib reported it
    };
    // A polyline or spline whose vertices, knots or control points are
    // still arriving, and the slot reserved for it among its block's items.
    struct Pending {
        enum Kind { kPolyline, kSpline } kind = kPolyline;
        Record record;
        std::size_t slot = 0;
        std::string refusal;
        bool closed = false;
        cc2Xform map;
        std::vector<DxfVertex> vertices;
        DxfSplineData spline;
        double firstZ = 0.0;
        long fitPoints = 0;
    };

    void startRecord(const std::string& kind);
    bool isVertexPart(const Record& r) const;
    void reportUnclaimed(const Record& r);
    std::vector<Item>& items(const Record& r);
    Item skipped(const Record& r, const std::string& reason) const;
    void addPiece(const std::function<void(Item&)>& fill);
    cc2Xform planeMap();
    void startPending(Pending::Kind kind);
    void finishPending();

    DxfDrawing drawing_;
    std::string section_;
    bool sectionNamePending_ = false;
    std::string block_;
    long lastId_ = 0;
    long lastEntity_ = 0;
    Record current_;   // being read
    Record finished_;  // complete; dxflib reports it next
    std::unique_ptr<Pending> pending_;
};

}  // namespace shapemod
