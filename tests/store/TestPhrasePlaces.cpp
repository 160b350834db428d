#include "store/PhrasePlaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    std::string atom;
    std::vector<long long> ordinals;
    std::vector<int> flags; // 2 for an underscore before, 1 for one after
};

std::vector<Seen> atomsOf(std::string_view folded) {
    std::vector<Seen> seen;
    for (const PhrasePlaces::AtomPlaces& atom : PhrasePlaces::Of(folded)) {
        Seen s{std::string(atom.atom), {}, {}};
        for (const PhrasePlaces::Place& place : atom.places) {
            s.ordinals.push_back(place.ordinal);
            s.flags.push_back((place.underscoreBefore ? 2 : 0) + (place.underscoreAfter ? 1 : 0));
        }
        seen.push_back(s);
    }
    return seen;
}

} // namespace

// Atoms end where a phrase's words may stand apart: at blanks and punctuation (the underscore
// and dashes beyond ASCII too), not at other signs, which a word of a phrase may hold.
TEST(PhrasePlaces, AtomsEndAtBlanksAndPunctuationOnly) {
    const std::vector<Seen> atoms = atomsOf("journal_mode\xE2\x80\x94"
                                            "c++ (journal) x__mode");
    ASSERT_EQ(atoms.size(), 4u);
    EXPECT_EQ(atoms[0].atom, "journal");
    EXPECT_EQ(atoms[0].ordinals, (std::vector<long long>{0, 3}));
    EXPECT_EQ(atoms[0].flags, (std::vector<int>{1, 0}));
    EXPECT_EQ(atoms[1].atom, "mode");
    EXPECT_EQ(atoms[1].ordinals, (std::vector<long long>{1, 5}));
    EXPECT_EQ(atoms[1].flags, (std::vector<int>{2, 2}));
    EXPECT_EQ(atoms[2].atom, "c++");
    EXPECT_EQ(atoms[3].atom, "x");
    EXPECT_EQ(atoms[3].flags, (std::vector<int>{1}));
}

// Distances from the place before, times four with the flags, seven bits a byte.
TEST(PhrasePlaces, PlacesAreDistancesWithTheirFlags) {
    const std::string encoded =
        PhrasePlaces::EncodePlaces(std::vector<PhrasePlaces::Place>{{2, false, true}, {40, true, false}});
    EXPECT_EQ(encoded, std::string("\x09\x9A\x01", 3));
}
