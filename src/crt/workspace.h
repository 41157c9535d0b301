// Working memory of a decode, kept per thread from one decode to the next: a steady stream of
// decodes then neither allocates nor faults fresh pages in. Everything is freed when the thread
// ends. Nothing in it outlives a decode's use, except that a decoder's views of its operations
// and prediction records stay readable until the next decode on the same thread.
#pragma once
#include "crt/normal_estimate.h"
#include "crt/topology.h"
#include "crt/tunstall.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace crt {

// A grow-only array of trivially copyable elements whose contents are unspecified after get().
template <typename T>
class Scratch {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    // Room for at least n elements plus kSlack more, which fast copies may overwrite.
    T* get(size_t n)
    {
        if (n > capacity_) {
            // A little beyond the need, so slowly growing meshes do not reallocate every time.
            const size_t grown = n + n / 8;
            data_.reset(); // the old block goes first, so peak use is one block
            capacity_ = 0;
            data_ = std::make_unique_for_overwrite<T[]>(grown + kSlack);
            capacity_ = grown;
        }
        return data_.get();
    }
    T* data() const { return data_.get(); }
    size_t capacity() const { return capacity_; }

    static constexpr size_t kSlack = 16;

private:
    std::unique_ptr<T[]> data_;
    size_t capacity_ = 0;
};

struct Workspace {
    Scratch<uint8_t> operations; // the connectivity operations (entropy-coded containers)
    Scratch<uint8_t> lengths;    // one bit-length array of an integer block at a time
    TunstallTable tunstall;      // rebuilt for every Tunstall block
    Scratch<FrontEdge> edges;    // the front of the group being decoded
    Scratch<uint32_t> order;
    Scratch<uint32_t> deferred;
    Scratch<VertexPrediction> predictions;
    Scratch<int32_t> octa;     // normal grid values or corrections
    Scratch<NormalSum> estimates; // normals summed from the faces
    Scratch<NormalSum> corners;   // positions as floats while normals are summed
    Scratch<int32_t> border;   // border flags
    Scratch<uint8_t> channels; // colour channel bytes while floats overwrite them
};

// This thread's workspace.
Workspace& ThreadWorkspace();

} // namespace crt
