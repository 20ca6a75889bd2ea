#include "shapemod/dxfimport.h"

#include <dxflib/dl_dxf.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "shapemod/dxfimport_layer.h"
#include "shapemod/dxfimport_reader.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

std::string fileContents(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw FileError(path + ": no such file");
    std::ifstream file(path, std::ios::binary);
    std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.is_open() || file.bad()) throw FileError(path + ": cannot be read");
    return contents;
}

// A file of its own for dxflib, which reports every group code only when it
// reads a file itself; removed again with this object.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& contents) {
        std::string name = (std::filesystem::temp_directory_path() / "dxfimport_XXXXXX").string();
        const int fd = mkstemp(name.data());
        if (fd < 0) throw FileError("cannot create a temporary file in " + name);
        close(fd);
        path_ = name;
        std::ofstream file(path_, std::ios::binary | std::ios::trunc);
        if (!(file << contents && file.flush())) {
            std::filesystem::remove(path_);
            throw FileError("cannot write the temporary file " + path_);
        }
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const noexcept { return path_; }

  private:
    std::string path_;
};

DxfDrawing readDrawing(const std::string& path) {
    const ScratchFile readable(dxfReadableText(fileContents(path), path));
    DxfReader reader;
    DL_Dxf dxf;
    bool read = false;
    try {
        read = dxf.in(readable.path(), &reader);
    } catch (const ccException&) {
        throw;
    } catch (...) {
        read = false;
    }
    if (!read) throw FileError(path + ": cannot be read as a DXF drawing");
    reader.finish();
    return reader.drawing();
}

// Expands block references and gathers the pieces by layer.
class Gatherer {
  public:
    Gatherer(const DxfDrawing& drawing, const std::string& name) : drawing_(drawing), name_(name) {}

    // Files `items` mapped by `x`; entities on layer "0" inside a block take
    // the layer of the reference that places them (`insertLayer`).
    void gather(const std::vector<DxfDrawing::Item>& items, const cc2Xform& x,
                const std::string& insertLayer) {
        for (const DxfDrawing::Item& item : items) {
            if (++visited_ > kMaxExpandedPieces)
                throw FileError(name_ + ": block references expand to more than " +
                                std::to_string(kMaxExpandedPieces) + " entities");
            const std::string layer =
                item.layer == "0" && !insertLayer.empty() ? insertLayer : item.layer;
            if (!item.reason.empty())
                tally(left_, item.kind, layer, item.reason, 1);
            else if (item.shape)
                place(item, x, layer);
            else
                expand(item, x, layer);
        }
    }

    std::vector<std::string> layerOrder() const {
        std::vector<std::string> order;
        for (const std::string& l : drawing_.layerTable)
            if (pieces_.count(l) && std::find(order.begin(), order.end(), l) == order.end())
                order.push_back(l);
        for (const std::string& l : firstUse_)
            if (std::find(order.begin(), order.end(), l) == order.end()) order.push_back(l);
        return order;
    }

    bool knowsLayer(const std::string& layer) const {
        const auto& table = drawing_.layerTable;
        return std::find(table.begin(), table.end(), layer) != table.end() ||
               std::any_of(left_.begin(), left_.end(),
                           [&](const DxfEntityTally& t) { return t.layer == layer; }) ||
               pieces_.count(layer) != 0;
    }

    const DxfLayerPieces& pieces(const std::string& layer) const { return pieces_.at(layer); }
    std::vector<DxfEntityTally> tallies() const {
        std::vector<DxfEntityTally> all = imported_;
        all.insert(all.end(), left_.begin(), left_.end());
        return all;
    }
    const std::vector<DxfEntityTally>& left() const noexcept { return left_; }

  private:
    void place(const DxfDrawing::Item& item, const cc2Xform& x, const std::string& layer) {
        ccPtrHandle_const<ccShape> piece = item.shape;
        try {
            if (!x.isIdentity()) piece = item.shape->mapShape(x);
        } catch (const ccShapesError::Errors& e) {
            tally(left_, item.kind, layer, e.what(), 1);
            return;
        }
        if (!pieces_.count(layer)) firstUse_.push_back(layer);
        pieces_[layer].shapes.push_back(piece);
        pieces_[layer].entities.push_back(item.entity);
        tally(imported_, item.kind, layer, "", 1);
        if (item.droppedVertices > 0)
            tally(left_, "VERTEX", layer, "coincides with the vertex before it",
                  item.droppedVertices);
    }

    void expand(const DxfDrawing::Item& item, const cc2Xform& x, const std::string& layer) {
        const auto block = drawing_.blocks.find(item.block);
        if (block == drawing_.blocks.end()) {
            tally(left_, item.kind, layer, "block " + item.block + " is not defined", 1);
        } else if (std::find(active_.begin(), active_.end(), item.block) != active_.end()) {
            tally(left_, item.kind, layer, "block " + item.block + " contains itself", 1);
        } else {
            active_.push_back(item.block);
            const cc2Xform toBase = cc2Xform::translation(-block->second.base);
            for (const cc2Xform& placement : item.placements)
                gather(block->second.items, x * placement * toBase, layer);
            active_.pop_back();
        }
    }

    static void tally(std::vector<DxfEntityTally>& list, const std::string& kind,
                      const std::string& layer, const std::string& reason, long count) {
        for (DxfEntityTally& t : list)
            if (t.kind == kind && t.layer == layer && t.reason == reason) {
                t.count += count;
                return;
            }
        list.push_back({kind, layer, reason, count});
    }

    const DxfDrawing& drawing_;
    const std::string& name_;
    long visited_ = 0;
    std::vector<std::string> active_;
    std::vector<std::string> firstUse_;
    std::map<std::string, DxfLayerPieces> pieces_;
    std::vector<DxfEntityTally> imported_, left_;
};

std::string leftOutList(const std::vector<DxfEntityTally>& left) {
    std::map<std::string, long> byKind;
    for (const DxfEntityTally& t : left) byKind[t.kind] += t.count;
    std::string list;
    for (const auto& [kind, count] : byKind)
        list += (list.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    return list.empty() ? "" : " (left out: " + list + ")";
}

void checkOptions(const DxfImportOptions& options, const Gatherer& gathered,
                  const std::string& name) {
    if (!(options.connectDistance >= 0.0))
        throw UsageError("the connect distance must be a number >= 0");
    for (const auto& entry : options.layerProps)
        if (!gathered.knowsLayer(entry.first))
            throw UsageError(name + " has no layer \"" + entry.first + "\"");
}

ccPtrHandle<ccShape> layerTree(const DxfLayerPieces& pieces, const std::string& layer,
                               const DxfImportOptions& options, DxfLayerReport& report) {
    ccPtrHandle<ccShape> tree = dxfLayerTree(pieces, options, report);
    const auto props = options.layerProps.find(layer);
    return props == options.layerProps.end() ? tree : props->second.assign(*tree);
}

// A region needs an outline: asked for regions, a drawing of open pieces
// only is refused rather than turned into a model with none.
void requireClosedContours(const DxfImport& result, const std::string& name) {
    long open = 0;
    double gap = 0.0;
    for (const DxfLayerReport& r : result.reports) {
        if (r.closed > 0) return;
        open += r.open;
        gap = std::max(gap, r.largestGap);
    }
    throw FileError(name + ": no region can be made: the drawing has only open pieces (" +
                    std::to_string(open) + " open contours, largest gap bridged " +
                    cfNarrow(cfStr(gap)) + "); a larger --connect distance may close them");
}

}  // namespace

DxfImport importDxfFile(const std::string& path, const DxfImportOptions& options) {
    const DxfDrawing drawing = readDrawing(path);
    Gatherer gathered(drawing, path);
    gathered.gather(drawing.entities, cc2Xform(), "");
    checkOptions(options, gathered, path);

    DxfImport result;
    result.layers = gathered.layerOrder();
    if (result.layers.empty())
        throw FileError(path + ": no entities that can be imported" + leftOutList(gathered.left()));
    result.shape = cfMakeHandle<ccGeneralShapeTree>();
    result.reports.resize(result.layers.size());
    result.regions = options.regions;
    for (std::size_t i = 0; i < result.layers.size(); ++i)
        result.shape->addChild(layerTree(gathered.pieces(result.layers[i]), result.layers[i],
                                         options, result.reports[i]),
                               true);
    if (options.regions) requireClosedContours(result, path);
    result.tallies = gathered.tallies();
    return result;
}

}  // namespace shapemod
