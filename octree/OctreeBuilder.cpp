#include "OctreeBuilder.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace tw::octree {
namespace {

constexpr std::uint32_t kMaxColorBits = 8;

// Spreads the 8 bits of a component so that bit i lands on bit 3i.
constexpr std::array<std::uint32_t, 256> makeSpread() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t v = 0; v < 256; ++v)
        for (std::uint32_t bit = 0; bit < 8; ++bit)
            table[v] |= ((v >> bit) & 1u) << (3 * bit);
    return table;
}
constexpr std::array<std::uint32_t, 256> kSpread = makeSpread();

// The path of a colour through the tree: the child index at level L is
// (path >> (21 - 3L)) & 7 = 4 x bit(c0) + 2 x bit(c1) + bit(c2), bit of weight 2^(7 - L).
inline std::uint32_t pathOf(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2) {
    return (kSpread[c0] << 2) | (kSpread[c1] << 1) | kSpread[c2];
}

using NodeId = std::uint32_t;
constexpr NodeId kNoNode = 0; // an empty child slot, list end or missing node

struct LeafSums {
    std::uint64_t pixelCount;
    std::uint64_t sum0;
    std::uint64_t sum1;
    std::uint64_t sum2;
};

// An internal node uses `child`, a leaf `leaf`: a node never needs both, and sharing the
// storage keeps a node at 40 bytes so that the busy top of the tree stays in L1.
struct OctreeNode {
    union {
        std::array<NodeId, 8> child;
        LeafSums leaf;
    };
    NodeId nextReducible;
    std::uint32_t isLeaf;
};

// The tree of one call. Nodes live in one pool owned by the tree and are addressed by
// index, so freeing the tree is freeing the pool; merged nodes go to a free list and are
// reused, so the pool never grows beyond the most nodes alive at once.
class Octree {
  public:
    Octree(std::uint32_t colorBits, std::size_t nodeLimit, std::size_t expectedNodes)
        : colorBits_(colorBits), nodeLimit_(std::min<std::size_t>(nodeLimit, kMaxPoolSize)) {
        nodes_.reserve(std::min(expectedNodes, nodeLimit_) + 1);
        nodes_.emplace_back(); // index 0 stands for "no node"
    }

    std::uint32_t leafCount() const { return leafCount_; }

    // Walks the path of a colour from the root, creating missing nodes, and returns the
    // leaf it ends in (kNoNode when a node cannot be allocated).
    NodeId InsertColor(std::uint32_t path) {
        if (root_ == kNoNode && (root_ = NewNode(0)) == kNoNode) return kNoNode;
        Shortcut& shortcut = shortcuts_[path >> (24 - 3 * kShortcutLevels)];
        NodeId id = root_;
        std::uint32_t level = 0;
        if ((shortcut.stamp >> 4) == generation_) {
            id = shortcut.node;
            level = shortcut.stamp & 15u;
        } else {
            if (!walk(path, id, level, kShortcutLevels)) return kNoNode;
            shortcut = {id, generation_ << 4 | level};
        }
        if (!walk(path, id, level, kMaxColorBits)) return kNoNode;
        return id;
    }

    // Drops every shortcut; called after merges, the only change that can cut a path.
    void forgetShortcuts() {
        if (++generation_ == kGenerationEnd) {
            for (Shortcut& s : shortcuts_)
                s.stamp = 0;
            generation_ = 1;
        }
    }

    void addPixel(NodeId leaf, std::uint32_t c0, std::uint32_t c1, std::uint32_t c2) {
        LeafSums& sums = nodes_[leaf].leaf;
        ++sums.pixelCount;
        sums.sum0 += c0;
        sums.sum1 += c1;
        sums.sum2 += c2;
    }

    // Turns the most recently created internal node of the deepest level that has one
    // into a leaf holding all its children's pixels. Needs colorBits >= 1 and at least
    // two leaves; the children are then all leaves, since no deeper internal node exists.
    void MergeDeepestNode() {
        std::uint32_t level = colorBits_ - 1;
        while (level > 0 && ReducibleLists[level] == kNoNode)
            --level;
        const NodeId id = ReducibleLists[level];
        OctreeNode& node = nodes_[id];
        ReducibleLists[level] = node.nextReducible;
        const std::array<NodeId, 8> children = node.child;
        LeafSums merged{};
        std::uint32_t merges = 0;
        for (const NodeId child : children) {
            if (child == kNoNode) continue;
            const LeafSums& sums = nodes_[child].leaf;
            merged.pixelCount += sums.pixelCount;
            merged.sum0 += sums.sum0;
            merged.sum1 += sums.sum1;
            merged.sum2 += sums.sum2;
            freeNode(child);
            ++merges;
        }
        node.leaf = merged;
        node.isLeaf = 1;
        node.nextReducible = kNoNode;
        leafCount_ = leafCount_ - merges + 1;
    }

    // Writes one entry per leaf, in child-slot order depth first, from `entry` on.
    void CollectLeafColors(std::uint8_t* entry) const {
        if (root_ != kNoNode) CollectLeafColors(root_, entry);
    }

  private:
    // Node ids are 32-bit; keeping the pool below that also keeps `id + 1` exact.
    static constexpr std::size_t kMaxPoolSize = 0xFFFFFFF0u;

    // Most pixels end in leaves a few levels down, and the top of the tree only changes
    // when nodes merge. So the node reached after the first kShortcutLevels steps of a
    // path (or the leaf that ends it earlier) is remembered by those steps, and the walk
    // starts there. Between merges the tree only gains nodes in empty slots, which leaves
    // every remembered node where a walk from the root would reach it; merges advance
    // the generation, which forgets them all.
    static constexpr std::uint32_t kShortcutLevels = 4;
    static constexpr std::uint32_t kGenerationEnd = 1u << 28; // stamp: generation, level
    struct Shortcut {
        NodeId node;
        std::uint32_t stamp;
    };

    // Follows `path` from node `id` at `level` down to a leaf or to stopLevel, creating
    // missing nodes. False when a node cannot be allocated.
    bool walk(std::uint32_t path, NodeId& id, std::uint32_t& level, std::uint32_t stopLevel) {
        OctreeNode* nodes = nodes_.data();
        while (level < stopLevel && !nodes[id].isLeaf) {
            const std::uint32_t slot = (path >> (21 - 3 * level)) & 7u;
            ++level;
            NodeId next = nodes[id].child[slot];
            if (next == kNoNode) {
                next = NewNode(level);
                if (next == kNoNode) return false;
                nodes = nodes_.data(); // the pool may have moved
                nodes[id].child[slot] = next;
            }
            id = next;
        }
        return true;
    }

    NodeId NewNode(std::uint32_t level) {
        NodeId id = freeList_;
        if (id != kNoNode) {
            freeList_ = nodes_[id].nextReducible;
        } else {
            if (nodes_.size() - 1 >= nodeLimit_) return kNoNode;
            try {
                nodes_.emplace_back();
            } catch (const std::bad_alloc&) {
                return kNoNode;
            }
            id = static_cast<NodeId>(nodes_.size() - 1);
        }
        OctreeNode& node = nodes_[id];
        node = OctreeNode{};
        if (level == colorBits_) {
            node.isLeaf = 1;
            node.leaf = LeafSums{};
            ++leafCount_;
        } else {
            node.nextReducible = ReducibleLists[level];
            ReducibleLists[level] = id;
        }
        return id;
    }

    void freeNode(NodeId id) {
        nodes_[id].nextReducible = freeList_;
        freeList_ = id;
    }

    std::uint8_t* CollectLeafColors(NodeId id, std::uint8_t* entry) const {
        const OctreeNode& node = nodes_[id];
        if (node.isLeaf) {
            const LeafSums& s = node.leaf;
            entry[0] = static_cast<std::uint8_t>(s.sum0 / s.pixelCount);
            entry[1] = static_cast<std::uint8_t>(s.sum1 / s.pixelCount);
            entry[2] = static_cast<std::uint8_t>(s.sum2 / s.pixelCount);
            return entry + 4;
        }
        for (const NodeId child : node.child)
            if (child != kNoNode) entry = CollectLeafColors(child, entry);
        return entry;
    }

    std::vector<Shortcut> shortcuts_ = std::vector<Shortcut>(1u << (3 * kShortcutLevels));
    std::uint32_t generation_ = 1;
    std::vector<OctreeNode> nodes_;
    NodeId freeList_ = kNoNode;
    NodeId root_ = kNoNode;
    std::uint32_t leafCount_ = 0;
    std::uint32_t colorBits_;
    std::size_t nodeLimit_;
    // Internal nodes of each level, most recently created first.
    std::array<NodeId, kMaxColorBits + 1> ReducibleLists{};
};

// Blue, green, red in the first three bytes of a pixel of `Bytes` bytes.
template <std::uint32_t Bytes> struct Bgr {
    static constexpr std::uint32_t kBytes = Bytes;
    static void read(const std::uint8_t* p, std::uint32_t& c0, std::uint32_t& c1,
                     std::uint32_t& c2) {
        c0 = p[0];
        c1 = p[1];
        c2 = p[2];
    }
};
using Bgr888 = Bgr<3>;
using Bgrx8888 = Bgr<4>; // the fourth byte is ignored

struct Rgb565 {
    static constexpr std::uint32_t kBytes = 2;
    static void read(const std::uint8_t* p, std::uint32_t& c0, std::uint32_t& c1,
                     std::uint32_t& c2) {
        const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8);
        c0 = (v & 0x1Fu) * 8;
        c1 = ((v >> 5) & 0x3Fu) * 4;
        c2 = (v >> 11) * 8;
    }
};

// Inserts every pixel, rows in memory order, merging after each insertion while the tree
// has more than maxColors leaves. Returns false when a node cannot be allocated.
template <class Reader>
bool insertRows(Octree& tree, const PixelRows& rows, std::uint32_t maxColors) {
    const auto* first = static_cast<const std::uint8_t*>(rows.first);
    for (std::uint32_t y = 0; y < rows.height; ++y) {
        const std::uint8_t* p = first + static_cast<std::ptrdiff_t>(y) * rows.pitch;
        for (std::uint32_t x = 0; x < rows.width; ++x, p += Reader::kBytes) {
            std::uint32_t c0, c1, c2;
            Reader::read(p, c0, c1, c2);
            const NodeId leaf = tree.InsertColor(pathOf(c0, c1, c2));
            if (leaf == kNoNode) return false;
            tree.addPixel(leaf, c0, c1, c2);
            if (tree.leafCount() > maxColors) {
                do {
                    tree.MergeDeepestNode();
                } while (tree.leafCount() > maxColors);
                tree.forgetShortcuts();
            }
        }
    }
    return true;
}

} // namespace

std::uint32_t bytesPerPixel(PixelLayout layout) noexcept {
    switch (layout) {
    case PixelLayout::Bgr888:
        return Bgr888::kBytes;
    case PixelLayout::Bgrx8888:
        return Bgrx8888::kBytes;
    case PixelLayout::Rgb565:
        return Rgb565::kBytes;
    }
    return 0;
}

bool buildPalette(const PixelRows& rows, std::uint32_t maxColors, std::uint32_t colorBits,
                  void* palette, std::size_t nodeLimit) noexcept {
    if (colorBits > kMaxColorBits) return false;
    if (rows.width == 0 || rows.height == 0 || maxColors == 0) return false;
    if (rows.first == nullptr || palette == nullptr) return false;
    const std::uint64_t rowBytes = std::uint64_t{rows.width} * bytesPerPixel(rows.layout);
    const std::int64_t pitch = rows.pitch;
    const std::uint64_t stride = static_cast<std::uint64_t>(pitch < 0 ? -pitch : pitch);
    if (rowBytes == 0 || stride < rowBytes) return false;

    try {
        // At most maxColors + 1 leaves live at once, each with at most colorBits ancestors.
        const std::uint64_t mostNodes = (std::uint64_t{maxColors} + 1) * (colorBits + 1);
        Octree tree(colorBits, nodeLimit,
                    static_cast<std::size_t>(std::min<std::uint64_t>(mostNodes, 4096)));
        bool inserted = false;
        switch (rows.layout) {
        case PixelLayout::Bgr888:
            inserted = insertRows<Bgr888>(tree, rows, maxColors);
            break;
        case PixelLayout::Bgrx8888:
            inserted = insertRows<Bgrx8888>(tree, rows, maxColors);
            break;
        case PixelLayout::Rgb565:
            inserted = insertRows<Rgb565>(tree, rows, maxColors);
            break;
        }
        if (!inserted || tree.leafCount() > maxColors) return false;
        tree.CollectLeafColors(static_cast<std::uint8_t*>(palette));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace tw::octree
