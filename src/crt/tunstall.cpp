// Tunstall dictionary construction (plain or chain start, then expansion of the most probable
// word until 256 words exist) and the writer's compressor over it.
#include "crt/tunstall.h"

#include "crt/messages.h"

#include <algorithm>
#include <array>

namespace crt {

namespace {

// Probabilities are 16-bit fixed point; products wrap in unsigned 32-bit arithmetic.
inline uint32_t Mul(uint32_t x, uint32_t y) { return (x * y) >> 16; }

// The per-id working lists of a table, grown on demand.
struct Slots {
    std::vector<uint32_t>& probability;
    std::vector<int>& offset;
    std::vector<int>& length;
    void reset(size_t n)
    {
        probability.assign(n, 0);
        offset.assign(n, 0);
        length.assign(n, 0);
    }
    void ensure(size_t id)
    {
        if (id >= probability.size()) {
            const size_t n = std::max(id + 1, probability.size() * 2);
            probability.resize(n, 0);
            offset.resize(n, 0);
            length.resize(n, 0);
        }
    }
    uint32_t prob(size_t id) const { return id < probability.size() ? probability[id] : 0; }
};

} // namespace

void TunstallTable::build(const TunstallPair* storedPairs, int count)
{
    pairs.assign(storedPairs, storedPairs + count);
    const int D = 1 << wordBits;
    const int n = int(pairs.size());
    offsets.clear();
    lengths.clear();
    table.clear();
    if (n < 2)
        return;
    if (n > 256)
        throw kCorrupt; // more pairs than byte values
    table.reserve(8192);

    Slots s{slotProbability, slotOffset, slotLength};
    s.reset(size_t(2 * D));
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

    int words;
    size_t nextId;
    if (!chain) {
        for (int i = 0; i < n; ++i) {
            s.probability[i] = P[i];
            s.offset[i] = i;
            s.length[i] = 1;
            table.push_back(pairs[i].symbol);
            queue[i] = uint32_t(i);
        }
        words = n;
        nextId = size_t(n);
    } else {
        table.push_back(pairs[0].symbol);
        for (int k = 1; k < n; ++k) {
            table.insert(table.end(), size_t(r - 1), pairs[0].symbol);
            table.push_back(pairs[k].symbol);
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
                s.ensure(id);
                s.probability[id] = Mul(P[k], c);
                s.offset[id] = k * r - j;
                s.length[id] = j + 1;
            }
            c = Mul(c, p0);
        }
        const size_t runId = size_t((r - 1) * n);
        s.ensure(runId);
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
            const uint32_t pr = s.prob(queue[k]);
            if (pr > bestProb) {
                bestProb = pr;
                best = k;
            }
        }
        const size_t w = queue[best];
        s.ensure(w);
        const uint32_t p = s.probability[w];
        const int o = s.offset[w];
        const int L = s.length[w];
        bool partial = false;
        for (int k = 0;; ++k) {
            const size_t id = nextId++;
            s.ensure(id);
            s.probability[id] = Mul(P[k], p);
            s.offset[id] = int(table.size());
            s.length[id] = L + 1;
            for (int i = 0; i < L; ++i)
                table.push_back(table[size_t(o + i)]);
            table.push_back(pairs[k].symbol);
            if (words + k == D - 1) {
                partial = true;
                break;
            }
            if (k == n - 1)
                break;
        }
        if (!partial)
            queue[best] += uint32_t(n);
        words += n - 1;
    }

    // Packing: the words still at or after their queue head, in id order, cut to D.
    for (size_t id = 0; id < nextId && int(offsets.size()) < D; ++id) {
        const int k = int(id % size_t(n));
        if (id >= queue[k]) {
            offsets.push_back(s.offset[id]);
            lengths.push_back(s.length[id]);
        }
    }
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
