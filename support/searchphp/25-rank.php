<?php
// Findlark server-side search (PHP): what a match is worth, as the browser engine weighs it (see the
// formula in 30-search.php). Every step here follows the browser's 35-rank.js, in the same order of
// floating-point operations, so that equal queries give bit-equal scores.

// Word characters are letters, digits and the underscore; beyond ASCII only the blocks of punctuation,
// arrows, mathematical and technical signs and the full-width forms end a word. A character beyond
// the first plane is a word character (the browser sees two surrogates, neither in the class).
const FL_NON_WORD_CLASS = '\x{0}-\x{2F}\x{3A}-\x{40}\x{5B}-\x{5E}\x{60}\x{7B}-\x{BF}\x{D7}\x{F7}\x{1680}\x{180E}'
    . '\x{2000}-\x{206F}\x{2190}-\x{23FF}\x{2500}-\x{27BF}\x{2E00}-\x{2E7F}\x{3000}-\x{303F}\x{FEFF}'
    . '\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}';
// The same class above ASCII as ranges, for the test of a single character.
const FL_NON_WORD_RANGES = array(0x80, 0xBF, 0xD7, 0xD7, 0xF7, 0xF7, 0x1680, 0x1680, 0x180E, 0x180E,
    0x2000, 0x206F, 0x2190, 0x23FF, 0x2500, 0x27BF, 0x2E00, 0x2E7F, 0x3000, 0x303F, 0xFEFF, 0xFEFF,
    0xFF01, 0xFF0F, 0xFF1A, 0xFF20, 0xFF3B, 0xFF40, 0xFF5B, 0xFF65);

const FL_WHOLE = 0;
const FL_START = 1;
const FL_INSIDE = 2;

const FL_RANK_WEIGHTS = array('Title' => 1.5, 'Keywords' => 1.2, 'Description' => 1.2, 'Text' => 1);
const FL_RANK_PIVOT = array('Title' => 32, 'Keywords' => 32, 'Description' => 128, 'Text' => 4096);
const FL_RANK_SHARE = array('Title' => 0.5, 'Keywords' => 0.5, 'Description' => 0.5, 'Text' => 0.2);
const FL_RANK_SATURATION = 2;
const FL_KIND_WORTH = array(1, 0.8, 0.2);
const FL_COUNT_LIMIT = 100;
const FL_RANK_EXACT = 4;
const FL_RANK_PAIR = 2;
const FL_PAIR_WINDOW = 100;
const FL_RANK_UNTITLED = 0.5;
const FL_RANK_PIECE = 4;
const FL_NO_TITLE = 'no title';

function fl_is_word_code($code)
{
    if ($code < 128) {
        return ($code >= 48 && $code <= 57) || ($code >= 65 && $code <= 90) || ($code >= 97 && $code <= 122)
            || $code === 95;
    }
    if ($code > 0xFFFF) {
        return true;
    }
    for ($k = 0, $n = count(FL_NON_WORD_RANGES); $k < $n; $k += 2) {
        if ($code < FL_NON_WORD_RANGES[$k]) {
            return true;
        }
        if ($code <= FL_NON_WORD_RANGES[$k + 1]) {
            return false;
        }
    }
    return true;
}

// The character that begins at byte $at of UTF-8 text (beyond the first plane only as 0x10000: all that
// matters of it is that it is a word character).
function fl_code_at($s, $at)
{
    $b = ord($s[$at]);
    if ($b < 0xC0) {
        return $b;
    }
    $next = $at + 1 < strlen($s) ? ord($s[$at + 1]) & 0x3F : 0;
    if ($b < 0xE0) {
        return (($b & 0x1F) << 6) | $next;
    }
    if ($b < 0xF0) {
        $last = $at + 2 < strlen($s) ? ord($s[$at + 2]) & 0x3F : 0;
        return (($b & 0x0F) << 12) | ($next << 6) | $last;
    }
    return 0x10000;
}

// The character that ends just before byte $at.
function fl_code_before($s, $at)
{
    $j = $at - 1;
    while ($j > 0 && (ord($s[$j]) & 0xC0) === 0x80) {
        $j--;
    }
    return fl_code_at($s, $j);
}

// Where a match (bytes $start to $end) stands among the words: the whole of a word, the start of one or
// inside one. An end of the match that is itself not a word character stands at a word's edge.
function fl_kind_of($s, $start, $end)
{
    $starts = $start === 0 || !fl_is_word_code(fl_code_at($s, $start)) || !fl_is_word_code(fl_code_before($s, $start));
    if (!$starts) {
        return FL_INSIDE;
    }
    $ends = $end >= strlen($s) || !fl_is_word_code(fl_code_before($s, $end)) || !fl_is_word_code(fl_code_at($s, $end));
    return $ends ? FL_WHOLE : FL_START;
}

// Whether the character beside a match is a word character: the one ending just before byte $at
// ($before) or the one starting at it. Text is mostly ASCII, which a table answers.
function fl_is_word_beside($s, $at, $before)
{
    static $ascii = null;
    if ($ascii === null) {
        $ascii = array();
        for ($c = 0; $c < 128; $c++) {
            $ascii[$c] = fl_is_word_code($c);
        }
    }
    $b = ord($s[$before ? $at - 1 : $at]);
    if ($b < 0x80) {
        return $ascii[$b];
    }
    return fl_is_word_code($before ? fl_code_before($s, $at) : fl_code_at($s, $at));
}

function fl_is_borderless($word)
{
    for ($k = 1, $n = strlen($word); $k < $n; $k++) {
        if (substr($word, 0, $k) === substr($word, -$k)) {
            return false;
        }
    }
    return true;
}

// The matcher's occurrences in folded text, taken from the left without overlap, counted by kind:
// array(whole, start, inside). Counting stops once every kind has reached what the ranking counts.
function fl_count_kinds($folded, $matcher)
{
    $kinds = array(0, 0, 0);
    if ($matcher['pattern'] !== null) {
        $m = array();
        if (preg_match_all($matcher['pattern'], $folded, $m, PREG_OFFSET_CAPTURE)) {
            foreach ($m[0] as $hit) {
                $kinds[fl_kind_of($folded, $hit[1], $hit[1] + strlen($hit[0]))]++;
            }
        }
        return $kinds;
    }
    $needle = $matcher['folded'];
    $size = strlen($needle);
    if ($size === 0) {
        return $kinds;
    }
    // A word's first and last characters are those of every match (fl_kind_of step by step): only the
    // characters beside a match decide its kind.
    static $plans = array();
    if (!isset($plans[$needle])) {
        $firstWord = fl_is_word_code(fl_code_at($needle, 0));
        $lastWord = fl_is_word_code(fl_code_before($needle, $size));
        // A word no end of which is also its start ("sqlite", not "that") can occur only apart from
        // itself, so every occurrence is one of those taken from the left, and PCRE counts each kind.
        $word = '[^' . FL_NON_WORD_CLASS . ']';
        $quoted = preg_quote($needle, '/');
        $plans[$needle] = array($firstWord, $lastWord, fl_is_borderless($needle),
            $firstWord ? '/(?<=' . $word . ')' . $quoted . '/u' : null,
            $lastWord ? '/' . ($firstWord ? '(?<!' . $word . ')' : '') . $quoted . '(?=' . $word . ')/u' : null);
    }
    list($firstWord, $lastWord, $borderless, $insidePattern, $startPattern) = $plans[$needle];
    $total = substr_count($folded, $needle);
    if ($total === 0) {
        return $kinds;
    }
    if ($borderless) {
        $inside = $insidePattern === null ? 0 : preg_match_all($insidePattern, $folded);
        $start = $startPattern === null ? 0 : preg_match_all($startPattern, $folded);
        if ($inside !== false && $start !== false) {
            return array($total - $inside - $start, $start, $inside);
        }
    }
    $length = strlen($folded);
    $at = strpos($folded, $needle);
    while ($at !== false) {
        $end = $at + $size;
        if ($firstWord && $at > 0 && fl_is_word_beside($folded, $at, true)) {
            $kinds[FL_INSIDE]++;
        } elseif ($lastWord && $end < $length && fl_is_word_beside($folded, $end, false)) {
            $kinds[FL_START]++;
        } else {
            $kinds[FL_WHOLE]++;
        }
        if ($kinds[0] >= FL_COUNT_LIMIT && $kinds[1] >= FL_COUNT_LIMIT && $kinds[2] >= FL_COUNT_LIMIT) {
            break;
        }
        $at = strpos($folded, $needle, $end);
    }
    return $kinds;
}

// The score of a matcher's occurrences in one field ($length in UTF-16 units).
function fl_field_score($field, $kinds, $length)
{
    $tf = 0;
    for ($k = 0; $k < 3; $k++) {
        $tf += FL_KIND_WORTH[$k] * min($kinds[$k], FL_COUNT_LIMIT);
    }
    if ($tf == 0) {
        return 0;
    }
    $share = FL_RANK_SHARE[$field];
    $norm = 1 - $share + $share * $length / FL_RANK_PIVOT[$field];
    return FL_RANK_WEIGHTS[$field] * $tf * (FL_RANK_SATURATION + 1) / ($tf + FL_RANK_SATURATION * $norm);
}

// How much a matcher's hits count, from the share of the records that hold it.
function fl_rarity($total, $holding)
{
    return log(1 + ($total - $holding + 0.5) / ($holding + 0.5));
}

const FL_TITLE_SEPARATOR = '/[' . FL_BLANK_CLASS . ']*[\-\x{2013}\x{2014}|:\x{B7}\x{2022}]+[' . FL_BLANK_CLASS . ']+/u';

function fl_title_split($foldedTitle)
{
    return preg_split(FL_TITLE_SEPARATOR, $foldedTitle);
}

// The words of folded text joined by single blanks.
function fl_words_of($folded)
{
    return fl_trim_blanks(preg_replace('/[' . FL_NON_WORD_CLASS . ']+/u', ' ', $folded));
}

// A title's parts: the whole of it, and the pieces between separators, each as its words.
function fl_title_parts($foldedTitle)
{
    $parts = array(fl_words_of($foldedTitle));
    $pieces = fl_title_split($foldedTitle);
    if (count($pieces) > 1) {
        foreach ($pieces as $piece) {
            $parts[] = fl_words_of($piece);
        }
    }
    return $parts;
}

function fl_query_words($query)
{
    $words = array();
    foreach ($query['matchers'] as $matcher) {
        $words[] = $matcher['folded'];
    }
    return fl_words_of(implode(' ', $words));
}

// The parts that at least a fifth of all titles (and at least three) have, such as the site's name in
// "Topic - Site": it says nothing about a page. A set of their words, as keys.
function fl_shared_title_parts($foldedTitles, $count)
{
    $times = array();
    $shared = array();
    $least = max(3, $count / 5);
    foreach ($foldedTitles as $title) {
        $parts = fl_title_split($title);
        if (count($parts) < 2) {
            continue;
        }
        $seen = array();
        foreach ($parts as $part) {
            $key = '#' . fl_words_of($part);
            if (isset($seen[$key])) {
                continue;
            }
            $seen[$key] = true;
            $times[$key] = (isset($times[$key]) ? $times[$key] : 0) + 1;
            if ($times[$key] >= $least) {
                $shared[$key] = true;
            }
        }
    }
    return $shared;
}

// The title as the ranking reads it: without its shared parts, unless it has nothing else. $shared is
// asked for only when the title has parts (a function that gives the set).
function fl_topic_title($foldedTitle, $shared)
{
    $parts = fl_title_split($foldedTitle);
    if (count($parts) < 2) {
        return $foldedTitle;
    }
    $set = $shared();
    $kept = array();
    foreach ($parts as $part) {
        if (!isset($set['#' . fl_words_of($part)])) {
            $kept[] = $part;
        }
    }
    return $kept && count($kept) < count($parts) ? implode(' - ', $kept) : $foldedTitle;
}

// For each dotted or hyphenated matcher ("os.path.join"), the share of its pieces that are whole words
// of the title.
function fl_piece_score($topic, $query)
{
    $total = 0;
    foreach ($query['matchers'] as $matcher) {
        $m = array();
        $pieces = preg_match_all('/[^' . FL_NON_WORD_CLASS . ']+/u', $matcher['folded'], $m) ? $m[0] : array();
        if (count($pieces) < 2) {
            continue;
        }
        $got = 0;
        foreach ($pieces as $piece) {
            $kinds = fl_count_kinds($topic, array('folded' => $piece, 'pattern' => null));
            if ($kinds[FL_WHOLE]) {
                $got++;
            }
        }
        $total += FL_RANK_PIECE * $got / count($pieces);
    }
    return $total;
}

function fl_is_exact_title($foldedTitle, $wanted)
{
    return $wanted !== '' && in_array($wanted, fl_title_parts($foldedTitle), true);
}

function fl_is_untitled($foldedTitle)
{
    $words = fl_words_of($foldedTitle);
    return $words === '' || $words === FL_NO_TITLE;
}

// The phrases of two words typed one after the other; none for one matcher or a phrase search.
function fl_pair_matchers($query)
{
    $pairs = array();
    $matchers = $query['matchers'];
    if ($query['matching'] === FL_MATCH_PHRASE) {
        return $pairs;
    }
    for ($m = 0; $m + 1 < count($matchers); $m++) {
        $pair = fl_parse_query($matchers[$m]['text'] . ' ' . $matchers[$m + 1]['text'], FL_MATCH_PHRASE);
        $pairs[] = $pair['matchers'][0];
    }
    return $pairs;
}

function fl_pair_score($field, $folded, $pairs)
{
    $p = 0;
    foreach ($pairs as $pair) {
        $p += min(fl_count_all($folded, $pair, FL_COUNT_LIMIT), FL_COUNT_LIMIT);
    }
    return $p ? FL_RANK_WEIGHTS[$field] * FL_RANK_PAIR * $p / ($p + 1) : 0;
}

// Equal scores must tie, but sums of the same terms in another order can differ in their last bits.
function fl_round_weight($w)
{
    return floor($w * 1e6 + 0.5) / 1e6;
}
