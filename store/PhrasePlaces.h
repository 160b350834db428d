#pragma once

#include "store/WordNumbers.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

class Connection;

// Where the words of each page's text stand, so that a server page counts a phrase without reading the
// page. A phrase's words may stand apart by any run of blanks and punctuation ("virtual table",
// "virtual-table", "virtual_table"), so the text is cut at those characters, not at the end of every
// word: into atoms, the runs of characters that are neither a blank nor such punctuation. A phrase
// whose words hold none of them occurs where one atom ends with its first word, the next atoms are its
// middle words and the last one starts with its last word. Two tables:
//   SearchAtoms   every atom of the texts (AtomID, Atom);
//   SearchPlaces  per atom, the records whose text holds it (Places, see EncodePlaces).
class PhrasePlaces {
public:
    // One atom's places in one text, in order: its number among the text's atoms, and whether an
    // underscore (the one word character among the punctuation) stands right before or after it.
    struct Place {
        long long ordinal;
        bool underscoreBefore;
        bool underscoreAfter;
    };
    struct AtomPlaces {
        std::string_view atom;
        size_t hash; // WordHash(atom)
        std::span<const Place> places;
    };
    // A text's atoms, each once, in order of first appearance. Their places lie in one array, and the
    // views point into the text, which must outlive them.
    class TextAtoms {
    public:
        TextAtoms() = default;
        // The views of the places point into the array, which a move takes along and a copy would not.
        TextAtoms(TextAtoms&&) = default;
        TextAtoms& operator=(TextAtoms&&) = default;
        TextAtoms(const TextAtoms&) = delete;
        TextAtoms& operator=(const TextAtoms&) = delete;

        std::vector<AtomPlaces>::const_iterator begin() const { return m_atoms.begin(); }
        std::vector<AtomPlaces>::const_iterator end() const { return m_atoms.end(); }
        size_t size() const { return m_atoms.size(); }

    private:
        friend class PhrasePlaces;
        std::vector<AtomPlaces> m_atoms;
        std::vector<Place> m_places;
    };

    static TextAtoms Of(std::string_view folded);

    // An atom's places in one record as bytes: each place as a variable-length number (seven bits a
    // byte, low bits first, the high bit set on every byte but the last) of the distance from the place
    // before (the first one's ordinal itself) times 4, plus 2 for an underscore before it, plus 1 for one
    // after it. A record's entry in SearchPlaces is its distance from the record before (the first one's
    // number itself), the length in bytes of its places, then the places.
    static std::string EncodePlaces(std::span<const Place> places);

    // Records must come in increasing order.
    void add(long long record, const TextAtoms& atoms);

    // Replaces both tables, inside the caller's transaction. Throws DatabaseError.
    void write(Connection& connection) const;

private:
    WordNumbers<std::string> m_atoms;
    std::vector<std::string> m_places;
    std::vector<long long> m_lastRecord;
};
