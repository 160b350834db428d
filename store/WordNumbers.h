#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// The hash WordNumbers keeps with each word, for callers that look one word up in several tables. Words
// are short: eight bytes at a time, inline, where the library's hash is a call that reads a byte at a
// time at the end; the last steps mix the high bits into the low ones, which pick the slot.
inline size_t WordHash(std::string_view word) {
    uint64_t hash = 0x9E3779B97F4A7C15ull ^ word.size();
    size_t at = 0;
    for (; at + 8 <= word.size(); at += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, word.data() + at, 8);
        hash = (hash ^ chunk) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    }
    uint64_t last = 0;
    for (; at < word.size(); ++at)
        last = last << 8 | static_cast<unsigned char>(word[at]);
    hash = (hash ^ last) * 0x94D049BB133111EBull;
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9ull;
    return static_cast<size_t>(hash ^ (hash >> 32));
}

// Words by number: open addressing over one array, each word's hash kept, as a run looks up every word
// of every page and a node per word would miss the cache on most of them. `Word` is std::string for a
// table that keeps its words, std::string_view for one that points into text that outlives it.
template <typename Word> class WordNumbers {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    uint32_t find(std::string_view word) const { return m_slots[slotOf(word, WordHash(word))]; }

    // The word's number, given the next one when it is new.
    uint32_t add(std::string_view word, size_t hash, bool& added) {
        uint32_t& slot = m_slots[slotOf(word, hash)];
        added = slot == kNone;
        if (!added)
            return slot;
        slot = static_cast<uint32_t>(m_words.size());
        m_words.emplace_back(word);
        m_hashes.push_back(hash);
        if (2 * m_words.size() > m_slots.size())
            grow();
        return static_cast<uint32_t>(m_words.size() - 1);
    }

    size_t size() const { return m_words.size(); }
    std::string_view operator[](size_t number) const { return m_words[number]; }

private:
    size_t slotOf(std::string_view word, size_t hash) const {
        const size_t mask = m_slots.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const uint32_t number = m_slots[at];
            if (number == kNone || (m_hashes[number] == hash && m_words[number] == word))
                return at;
        }
    }

    void grow() {
        std::vector<uint32_t> slots(2 * m_slots.size(), kNone);
        const size_t mask = slots.size() - 1;
        for (uint32_t number = 0; number < m_words.size(); ++number) {
            size_t at = m_hashes[number] & mask;
            while (slots[at] != kNone)
                at = (at + 1) & mask;
            slots[at] = number;
        }
        m_slots = std::move(slots);
    }

    std::vector<uint32_t> m_slots = std::vector<uint32_t>(1024, kNone);
    std::vector<size_t> m_hashes;
    std::vector<Word> m_words;
};
