// A deliberately plain octree palette builder: one heap node per tree node, one walk from
// the root per pixel, no shortcuts. The library must produce exactly its palettes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace reference {

struct Color {
    std::uint8_t c0 = 0, c1 = 0, c2 = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

struct OctreeNode {
    bool isLeaf = false;
    std::uint64_t pixelCount = 0;
    std::uint64_t sum0 = 0, sum1 = 0, sum2 = 0;
    std::array<OctreeNode*, 8> child{};
    OctreeNode* nextReducible = nullptr;
};

class Octree {
  public:
    explicit Octree(unsigned colorBits) : colorBits_(colorBits) {}
    ~Octree() { FreeTree(root_); }
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;

    unsigned leafCount() const { return leafCount_; }

    void InsertColor(Color c) {
        OctreeNode** slot = &root_;
        for (unsigned level = 0;; ++level) {
            if (*slot == nullptr) *slot = NewNode(level);
            OctreeNode* node = *slot;
            if (node->isLeaf) {
                ++node->pixelCount;
                node->sum0 += c.c0;
                node->sum1 += c.c1;
                node->sum2 += c.c2;
                return;
            }
            const unsigned mask = 0x80u >> level;
            const unsigned index =
                4 * ((c.c0 & mask) != 0) + 2 * ((c.c1 & mask) != 0) + ((c.c2 & mask) != 0);
            slot = &node->child[index];
        }
    }

    void MergeDeepestNode() {
        int level = static_cast<int>(colorBits_) - 1;
        while (level > 0 && reducible_[level] == nullptr)
            --level;
        OctreeNode* node = reducible_[level];
        reducible_[level] = node->nextReducible;
        std::uint64_t s0 = 0, s1 = 0, s2 = 0;
        unsigned n = 0;
        for (OctreeNode*& child : node->child) {
            if (child == nullptr) continue;
            node->pixelCount += child->pixelCount;
            s0 += child->sum0;
            s1 += child->sum1;
            s2 += child->sum2;
            delete child;
            child = nullptr;
            ++n;
        }
        node->isLeaf = true;
        node->sum0 = s0;
        node->sum1 = s1;
        node->sum2 = s2;
        leafCount_ = leafCount_ - n + 1;
    }

    void CollectLeafColors(std::vector<Color>& out) const { CollectLeafColors(root_, out); }

  private:
    OctreeNode* NewNode(unsigned level) {
        auto* node = new OctreeNode;
        node->isLeaf = level == colorBits_;
        if (node->isLeaf) {
            ++leafCount_;
        } else {
            node->nextReducible = reducible_[level];
            reducible_[level] = node;
        }
        return node;
    }

    static void CollectLeafColors(const OctreeNode* node, std::vector<Color>& out) {
        if (node == nullptr) return;
        if (node->isLeaf) {
            out.push_back({static_cast<std::uint8_t>(node->sum0 / node->pixelCount),
                           static_cast<std::uint8_t>(node->sum1 / node->pixelCount),
                           static_cast<std::uint8_t>(node->sum2 / node->pixelCount)});
            return;
        }
        for (const OctreeNode* child : node->child)
            CollectLeafColors(child, out);
    }

    static void FreeTree(OctreeNode* node) {
        if (node == nullptr) return;
        for (OctreeNode* child : node->child)
            FreeTree(child);
        delete node;
    }

    unsigned colorBits_;
    OctreeNode* root_ = nullptr;
    unsigned leafCount_ = 0;
    std::array<OctreeNode*, 9> reducible_{};
};

// The entries the library writes for these pixels, in order; nothing when it writes none.
inline std::optional<std::vector<Color>>
buildPalette(const std::vector<Color>& pixels, std::uint32_t maxColors, std::uint32_t colorBits) {
    if (colorBits > 8 || pixels.empty() || maxColors == 0) return std::nullopt;
    Octree tree(colorBits);
    for (const Color& c : pixels) {
        tree.InsertColor(c);
        while (tree.leafCount() > maxColors)
            tree.MergeDeepestNode();
    }
    std::vector<Color> entries;
    tree.CollectLeafColors(entries);
    return entries;
}

} // namespace reference
