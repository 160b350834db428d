#include "store/PhrasePlaces.h"

#include "platform/Database.h"
#include "store/BatchInsert.h"
#include "store/CodePoints.h"
#include "store/SearchCharacters.h"
#include "store/VarInt.h"
#include "store/WordNumbers.h"

#include <array>

namespace {

constexpr bool inSpans(char32_t c, const auto& spans) {
    for (const auto& span : spans) {
        if (c >= span.first && c <= span.last)
            return true;
    }
    return false;
}

// Whether the character may stand in an atom: neither a blank nor punctuation, which may stand between the
// words of a phrase.
constexpr bool inAtom(char32_t c) {
    return !inSpans(c, SearchText::Characters::kBlanks) && !inSpans(c, SearchText::Characters::kPunctuation);
}

constexpr std::array<bool, 0x80> kAsciiInAtom = CodePoints::AsciiAnswers(inAtom);

} // namespace

PhrasePlaces::TextAtoms PhrasePlaces::Of(std::string_view folded) {
    TextAtoms text;
    WordNumbers<std::string_view> seen;
    // Each place's atom by number, then each atom's places side by side: one array for all of them,
    // where an array per atom cost an allocation for nearly every word of the text.
    std::vector<uint32_t> atomAt;
    std::vector<Place> inOrder;
    CodePoints::ForEachRun(folded, kAsciiInAtom, inAtom, [&](size_t start, size_t end) {
        const std::string_view atom = folded.substr(start, end - start);
        bool added = false;
        const size_t hash = WordHash(atom);
        const uint32_t number = seen.add(atom, hash, added);
        if (added)
            text.m_atoms.push_back({atom, hash, {}});
        atomAt.push_back(number);
        inOrder.push_back({static_cast<long long>(inOrder.size()), start > 0 && folded[start - 1] == '_',
                           end < folded.size() && folded[end] == '_'});
    });

    std::vector<size_t> next(text.m_atoms.size() + 1, 0);
    for (uint32_t number : atomAt)
        ++next[number + 1];
    for (size_t k = 1; k < next.size(); ++k)
        next[k] += next[k - 1];
    text.m_places.resize(inOrder.size());
    for (size_t k = 0; k < text.m_atoms.size(); ++k)
        text.m_atoms[k].places =
            std::span<const Place>(text.m_places.data() + next[k], next[k + 1] - next[k]);
    for (size_t ordinal = 0; ordinal < inOrder.size(); ++ordinal)
        text.m_places[next[atomAt[ordinal]]++] = inOrder[ordinal];
    return text;
}

namespace {

unsigned long long placeValue(const PhrasePlaces::Place& place, long long last) {
    return static_cast<unsigned long long>(place.ordinal - last) * 4 + (place.underscoreBefore ? 2 : 0) +
           (place.underscoreAfter ? 1 : 0);
}

template <typename Emit> void forEachPlaceValue(std::span<const PhrasePlaces::Place> places, Emit emit) {
    long long last = 0;
    for (const PhrasePlaces::Place& place : places) {
        emit(placeValue(place, last));
        last = place.ordinal;
    }
}

} // namespace

std::string PhrasePlaces::EncodePlaces(std::span<const Place> places) {
    std::string encoded;
    forEachPlaceValue(places, [&](unsigned long long value) { VarInt::Append(encoded, value); });
    return encoded;
}

void PhrasePlaces::add(long long record, const TextAtoms& atoms) {
    for (const AtomPlaces& atom : atoms) {
        bool added = false;
        const uint32_t id = m_atoms.add(atom.atom, atom.hash, added);
        if (added) {
            m_places.emplace_back();
            m_lastRecord.push_back(0);
        }
        size_t length = 0;
        forEachPlaceValue(atom.places, [&](unsigned long long value) { length += VarInt::Size(value); });
        std::string& out = m_places[id];
        VarInt::Append(out, static_cast<unsigned long long>(record - m_lastRecord[id]));
        VarInt::Append(out, length);
        forEachPlaceValue(atom.places, [&](unsigned long long value) { VarInt::Append(out, value); });
        m_lastRecord[id] = record;
    }
}

void PhrasePlaces::write(Connection& connection) const {
    connection.executeScript(R"sql(
DROP TABLE IF EXISTS SearchAtoms;
DROP TABLE IF EXISTS SearchPlaces;
CREATE TABLE SearchAtoms (AtomID INTEGER PRIMARY KEY, Atom TEXT NOT NULL UNIQUE);
CREATE TABLE SearchPlaces (AtomID INTEGER PRIMARY KEY, Places BLOB NOT NULL);
)sql");
    const std::string insertAtom = "INSERT INTO SearchAtoms (AtomID, Atom) VALUES (?, ?)";
    const std::string insertPlaces = "INSERT INTO SearchPlaces (AtomID, Places) VALUES (?, CAST(? AS BLOB))";
    std::vector<Connection::TextRow> atomRows, placeRows;
    for (size_t id = 0; id < m_atoms.size(); ++id) {
        atomRows.push_back({std::to_string(id), std::string(m_atoms[id])});
        placeRows.push_back({std::to_string(id), m_places[id]});
        InsertInBatches(connection, insertAtom, atomRows, false);
        InsertInBatches(connection, insertPlaces, placeRows, false);
    }
    InsertInBatches(connection, insertAtom, atomRows, true);
    InsertInBatches(connection, insertPlaces, placeRows, true);
}
