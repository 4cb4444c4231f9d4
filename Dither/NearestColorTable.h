// The nearest palette entry of every colour, in a table filled as colours are asked for;
// shared by the threads of one Dither call.
#pragma once

#include "NearestColorGrid.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace tw::dither {

// 16 MiB of answers, one per colour, filled a 4 x 4 x 4 block of colours at a time when a
// colour of the block is first asked for. Pays off when many pixels share blocks. The
// table's address space is reserved up front; the system backs only the pages touched.
// Threads read it through readers of their own; a block is filled by one of them while
// the others answer from their own grids meanwhile, so no thread waits and no block is
// filled twice.
class NearestColorTable {
  public:
    // `palette`: `count` entries (1..256). Throws std::bad_alloc when memory runs out.
    NearestColorTable(const void* palette, int count);

    class Reader {
      public:
        // Throws std::bad_alloc when memory runs out.
        explicit Reader(NearestColorTable& table);

        // Exactly FindNearestColor's answer; components 0..255.
        std::uint8_t Find(int red, int green, int blue) {
            const std::uint32_t at = (kSpread[red] << 2) | (kSpread[green] << 1) | kSpread[blue];
            std::atomic<std::uint8_t>& state = table_.states_[at >> 6];
            if (state.load(std::memory_order_acquire) == kFilled) return table_.answers_[at];
            std::uint8_t expected = kEmpty;
            if (!state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire))
                return NearestColorGrid::SearchAll(grid_.CellList(red, green, blue), red, green,
                                                   blue); // another thread is filling it
            FillBlock(at >> 6);
            state.store(kFilled, std::memory_order_release);
            return table_.answers_[at];
        }

      private:
        void FillBlock(std::uint32_t block);

        NearestColorTable& table_;
        NearestColorGrid grid_; // its cells are the table's blocks
    };

  private:
    static constexpr std::uint8_t kEmpty = 0;
    static constexpr std::uint8_t kFilling = 1;
    static constexpr std::uint8_t kFilled = 2;

    // Colours are laid out in Morton order (the bits of the three components interleaved),
    // so colours near each other in the cube are near in memory; the low six bits are the
    // position inside a block. kSpread moves bit i of a byte to bit 3i.
    static constexpr std::array<std::uint32_t, 256> kSpread = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t v = 0; v < 256; ++v)
            for (int bit = 0; bit < 8; ++bit)
                table[v] |= ((v >> bit) & 1u) << (3 * bit);
        return table;
    }();

    const void* palette_;
    int count_;
    struct FreeAnswers {
        void operator()(std::uint8_t* answers) const;
    };
    std::unique_ptr<std::uint8_t[], FreeAnswers> answers_; // written a block at a time
    std::unique_ptr<std::atomic<std::uint8_t>[]> states_;
};

} // namespace tw::dither
