// Tunstall dictionary construction (plain or chain start, then expansion of the most probable
// word until 256 words exist) and the writer's compressor over it.
#include "crt/tunstall.h"

#include "crt/messages.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace crt {

namespace {

// Probabilities are 16-bit fixed point; products wrap in unsigned 32-bit arithmetic.
inline uint32_t Mul(uint32_t x, uint32_t y) { return (x * y) >> 16; }

// The per-id working lists of a construction, sized once for every id it can make.
struct Slots {
    uint32_t* probability;
    int* offset;
    int* length;
};

// L bytes from `from` to `to` in 8-byte pieces: words are short, and a call to memcpy would
// cost more than the copy. Up to 7 bytes past each end are read and written, which the caller
// leaves room for; bytes past `from + L` may already be the destination's (words are appended
// after their parents), which only matters for bytes that are not the word's.
inline void CopyPieces(uint8_t* to, const uint8_t* from, size_t L)
{
    for (size_t i = 0; i < L; i += 8)
        std::memcpy(to + i, from + i, 8);
}

// The word bytes, appended through a pointer (a word is its parent's bytes and one symbol).
struct Bytes {
    std::vector<uint8_t>& table;
    size_t end = 0;

    // Room for `more` bytes past the end; the vector is grown by doubling.
    uint8_t* room(size_t more)
    {
        if (end + more > table.size())
            table.resize(std::max({table.size() * 2, end + more, size_t(4096)}));
        return table.data() + end;
    }
    void push(uint8_t symbol) { *room(1) = symbol, ++end; }
};

} // namespace

void TunstallTable::build(const TunstallPair* storedPairs, int count)
{
    pairs.assign(storedPairs, storedPairs + count);
    const int D = 1 << wordBits;
    const int n = int(pairs.size());
    offsets.clear();
    lengths.clear();
    if (n < 2) {
        table.clear();
        return;
    }
    if (n > 256)
        throw kCorrupt; // more pairs than byte values

    std::array<uint32_t, 256> P, queue; // n is at most 255
    for (int k = 0; k < n; ++k)
        P[k] = uint32_t(pairs[k].probability) * 256;

    // A very probable first symbol starts from runs of it rather than from single symbols.
    const uint32_t p0 = P[0], p1 = P[1];
    uint32_t pw = Mul(p0, p0);
    int r = 2;
    const int limit = (D - 1) / (n - 1);
    bool chain = false;
    if (pw > p1) {
        for (;;) {
            if (r >= limit)
                break;
            pw = Mul(pw, p0);
            ++r;
            if (pw <= p1)
                break;
        }
        chain = r >= 16;
    }

    // Ids: the start's (at most r x n), then n per expansion, of which there are at most
    // (D - 1) / (n - 1) + 1 since each adds n - 1 words; a queue head may point n past the last.
    const size_t ids = size_t(std::max(r, 1)) * size_t(n) + size_t(n) * (size_t((D - 1) / (n - 1)) + 3);
    slotProbability.assign(ids, 0); // an id not made yet reads as probability 0
    slotOffset.resize(ids);
    slotLength.resize(ids);
    const Slots s{slotProbability.data(), slotOffset.data(), slotLength.data()};
    Bytes bytes{table};

    int words;
    size_t nextId;
    if (!chain) {
        for (int i = 0; i < n; ++i) {
            s.probability[i] = P[i];
            s.offset[i] = i;
            s.length[i] = 1;
            bytes.push(pairs[i].symbol);
            queue[i] = uint32_t(i);
        }
        words = n;
        nextId = size_t(n);
    } else {
        bytes.push(pairs[0].symbol);
        for (int k = 1; k < n; ++k) {
            std::fill_n(bytes.room(size_t(r)), r - 1, pairs[0].symbol);
            bytes.end += size_t(r - 1);
            bytes.push(pairs[k].symbol);
        }
        queue[0] = uint32_t((r - 1) * n);
        for (int k = 1; k < n; ++k)
            queue[k] = uint32_t(k);
        for (int k = 1; k < n; ++k) {
            s.probability[k] = P[k];
            s.offset[k] = k * r;
            s.length[k] = 1;
        }
        uint32_t c = p0;
        for (int j = 1; j < r; ++j) {
            for (int k = 1; k < n; ++k) {
                const size_t id = size_t(j * n + k);
                s.probability[id] = Mul(P[k], c);
                s.offset[id] = k * r - j;
                s.length[id] = j + 1;
            }
            c = Mul(c, p0);
        }
        const size_t runId = size_t((r - 1) * n);
        s.probability[runId] = c;
        s.offset[runId] = 0;
        s.length[runId] = r;
        words = (n - 1) * r + 1;
        nextId = size_t(r) * size_t(n);
    }

    // Expansion: replace the most probable word by its children until the dictionary is full.
    while (words < D) {
        int best = 0;
        uint32_t bestProb = 0;
        for (int k = 0; k < n; ++k) {
            const uint32_t pr = s.probability[queue[k]];
            if (pr > bestProb) {
                bestProb = pr;
                best = k;
            }
        }
        const size_t w = queue[best];
        const uint32_t p = s.probability[w];
        const size_t o = size_t(s.offset[w]), L = size_t(s.length[w]);
        // The children 0 to `last`: all n, or fewer when the dictionary fills up first, in which
        // case (a partial expansion) the expanded word stays.
        const int last = std::min(n - 1, D - 1 - words);
        uint8_t* at = bytes.room(size_t(last + 1) * (L + 1) + 8);
        const uint8_t* parent = table.data() + o;
        for (int k = 0; k <= last; ++k, at += L + 1) {
            const size_t id = nextId + size_t(k);
            s.probability[id] = Mul(P[k], p);
            s.offset[id] = int(bytes.end + size_t(k) * (L + 1));
            s.length[id] = int(L + 1);
            CopyPieces(at, parent, L);
            at[L] = pairs[k].symbol;
        }
        nextId += size_t(last + 1);
        bytes.end += size_t(last + 1) * (L + 1);
        if (words + last != D - 1)
            queue[best] += uint32_t(n);
        words += n - 1;
    }
    table.resize(bytes.end + kTableSlack);

    // Packing: the words still at or after their queue head, in id order, cut to D.
    offsets.resize(size_t(D));
    lengths.resize(size_t(D));
    size_t kept = 0;
    for (size_t id = 0, k = 0; id < nextId && kept < size_t(D); ++id, k = k + 1 == size_t(n) ? 0 : k + 1) {
        if (id >= queue[k]) {
            offsets[kept] = s.offset[id];
            lengths[kept] = s.length[id];
            ++kept;
        }
    }
    offsets.resize(kept);
    lengths.resize(kept);
}

std::vector<TunstallPair> TunstallPairs(const uint8_t* data, size_t size)
{
    std::array<uint64_t, 256> count{};
    for (size_t i = 0; i < size; ++i)
        ++count[data[i]];
    std::vector<TunstallPair> pairs;
    for (int v = 0; v < 256; ++v)
        if (count[v])
            pairs.push_back({uint8_t(v), uint8_t(count[v] * 255 / size)});
    if (pairs.size() > 255)
        throw kBadMesh; // the pair count is stored in one byte
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const TunstallPair& a, const TunstallPair& b) { return a.probability > b.probability; });
    return pairs;
}

std::vector<uint8_t> TunstallCompress(const TunstallTable& dict, const uint8_t* data, size_t size)
{
    // A trie over the words: every node knows one word that begins with its prefix.
    const int n = int(dict.pairs.size());
    std::array<int, 256> rank;
    rank.fill(-1);
    for (int k = 0; k < n; ++k)
        rank[dict.pairs[k].symbol] = k;
    struct Node {
        int word = -1;
        int anyWord = -1;
    };
    std::vector<Node> nodes(1);
    std::vector<int> child(size_t(n), -1);
    for (int w = 0; w < dict.words(); ++w) {
        int node = 0;
        if (nodes[0].anyWord < 0)
            nodes[0].anyWord = w;
        for (int i = 0; i < dict.lengths[w]; ++i) {
            const int k = rank[dict.table[size_t(dict.offsets[w] + i)]];
            int& next = child[size_t(node) * n + k];
            if (next < 0) {
                next = int(nodes.size());
                nodes.emplace_back();
                child.resize(child.size() + size_t(n), -1);
            }
            node = child[size_t(node) * n + k];
            if (nodes[node].anyWord < 0)
                nodes[node].anyWord = w;
        }
        if (nodes[node].word < 0)
            nodes[node].word = w;
    }

    std::vector<uint8_t> out;
    size_t pos = 0;
    while (pos < size) {
        int node = 0, lastWord = -1;
        size_t lastLen = 0, i = pos;
        for (; i < size; ++i) {
            const int k = rank[data[i]];
            const int next = k < 0 ? -1 : child[size_t(node) * n + k];
            if (next < 0)
                break;
            node = next;
            if (nodes[node].word >= 0) {
                lastWord = nodes[node].word;
                lastLen = i + 1 - pos;
            }
        }
        if (lastWord >= 0) {
            out.push_back(uint8_t(lastWord));
            pos += lastLen;
        } else if (i == size && node != 0) {
            out.push_back(uint8_t(nodes[node].anyWord)); // the tail is a prefix of this word
            pos = size;
        } else {
            throw kBadMesh;
        }
    }
    return out;
}

} // namespace crt
