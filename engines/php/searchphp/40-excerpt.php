<?php
// Findlark server-side search (PHP): excerpts and marked matches, placed as the browser engine places
// them. Positions are UTF-16 units (see fl_units); matches are found in the folded text's bytes and
// turned into unit positions.

const FL_EXCERPT_LENGTH = 250;
const FL_WORD_SNAP = 20;
const FL_PLACE_LIMIT = 50;
const FL_ELLIPSIS = "\u{2026}";

// The matches of a matcher inside units [$from, $to), as unit ranges of the whole text.
function fl_find_units($units, $from, $to, $matcher, $limit)
{
    $slice = array_slice($units, $from, max(0, $to - $from));
    $map = array();
    $offset = 0;
    foreach ($slice as $j => $unit) {
        if ($unit !== '') {
            $map[$offset] = $j;
            $offset += strlen($unit);
        }
    }
    $map[$offset] = count($slice);
    $ranges = array();
    foreach (fl_find_all(implode('', $slice), $matcher, $limit) as $range) {
        $ranges[] = array($from + $map[$range[0]], $from + $map[$range[1]]);
    }
    return $ranges;
}

function fl_is_blank($unit)
{
    return $unit !== '' && preg_match('/^[' . FL_BLANK_CLASS . ']$/u', $unit) === 1;
}

// A text and its folded form as a view: the UTF-16 units of a stretch of both, from unit 'from' on, and
// the length of the whole text. Large pages are only ever looked at around their best match, so only
// that stretch is split into units; a read outside it marks the view, and the caller then looks again
// with the whole text.
function fl_view($text, $folded, $from = 0, $to = null)
{
    if ($from === 0 && $to === null) {
        $units = fl_units($text);
        return array('text' => $units, 'folded' => fl_units($folded), 'from' => 0, 'length' => count($units),
            'outside' => false);
    }
    $b0 = fl_char_offset($text, $from);
    $b1 = fl_char_offset($text, $to);
    $f0 = fl_char_offset($folded, $from);
    $f1 = fl_char_offset($folded, $to);
    return array('text' => fl_units(substr($text, $b0, $b1 - $b0)), 'folded' => fl_units(substr($folded, $f0, $f1 - $f0)),
        'from' => $from, 'length' => fl_char_count($text), 'outside' => false);
}

function fl_unit(&$view, $k)
{
    if ($k < 0 || $k >= $view['length']) {
        return '';
    }
    $i = $k - $view['from'];
    if ($i < 0 || $i >= count($view['folded'])) {
        $view['outside'] = true;
        return '';
    }
    return $view['folded'][$i];
}

function fl_inside_pair(&$view, $k)
{
    return $k > 0 && $k < $view['length'] && fl_unit($view, $k) === '' && fl_unit($view, $k - 1) !== '';
}

// Characters, not bytes: UTF-8 continuation bytes do not count.
function fl_char_count($s)
{
    $count = strlen($s);
    foreach (count_chars($s, 1) as $byte => $n) {
        if ($byte >= 0x80 && $byte <= 0xBF) {
            $count -= $n;
        }
    }
    return $count;
}

// The byte offset of character $c of a UTF-8 text (its length when $c is beyond the end).
function fl_char_offset($s, $c)
{
    if ($c <= 0) {
        return 0;
    }
    $size = strlen($s);
    $at = 0;
    $chars = 0;
    // Whole blocks first, counted in C; the last block byte by byte.
    while ($at < $size) {
        $block = substr($s, $at, 4096);
        $n = fl_char_count($block);
        if ($chars + $n > $c) {
            break;
        }
        $chars += $n;
        $at += strlen($block);
    }
    // A block may have ended inside a character, which its lead byte has already counted.
    while ($at < $size && (ord($s[$at]) & 0xC0) === 0x80) {
        $at++;
    }
    while ($at < $size && $chars < $c) {
        $at++;
        while ($at < $size && (ord($s[$at]) & 0xC0) === 0x80) {
            $at++;
        }
        $chars++;
    }
    return $at;
}

// Every occurrence of every matcher in the whole folded text, at most $limit per matcher, as unit
// positions, sorted.
function fl_occurrences($folded, $matchers, $limit)
{
    $found = array();
    $offsets = array();
    foreach ($matchers as $k => $matcher) {
        foreach (fl_find_all($folded, $matcher, $limit) as $range) {
            $found[] = array($range[0], $range[1], $k);
            $offsets[$range[0]] = 0;
            $offsets[$range[1]] = 0;
        }
    }
    // Byte offsets to unit positions, counting the units between one offset and the next.
    ksort($offsets);
    $previous = 0;
    $units = 0;
    foreach ($offsets as $offset => $unused) {
        $units += fl_length(substr($folded, $previous, $offset - $previous));
        $offsets[$offset] = $units;
        $previous = $offset;
    }
    $all = array();
    foreach ($found as $f) {
        $all[] = array('start' => $offsets[$f[0]], 'end' => $offsets[$f[1]], 'matcher' => $f[2]);
    }
    usort($all, function ($a, $b) {
        return ($a['start'] - $b['start']) ? $a['start'] - $b['start'] : $a['end'] - $b['end'];
    });
    return $all;
}

// The stretch beginning at an occurrence and fitting in the excerpt that holds the most different
// matchers, then the most occurrences; the earliest on a tie.
function fl_best_span($all, $size)
{
    $best = null;
    $n = count($all);
    for ($j = 0; $j < $n; $j++) {
        $seen = array();
        $distinct = 0;
        $count = 0;
        $last = $all[$j]['end'];
        for ($k = $j; $k < $n && ($k === $j || $all[$k]['end'] <= $all[$j]['start'] + $size); $k++) {
            $count++;
            if (!isset($seen[$all[$k]['matcher']])) {
                $seen[$all[$k]['matcher']] = true;
                $distinct++;
            }
            if ($all[$k]['end'] > $last) {
                $last = $all[$k]['end'];
            }
        }
        if ($best === null || $distinct > $best['distinct'] || ($distinct === $best['distinct'] && $count > $best['count'])) {
            $best = array('start' => $all[$j]['start'], 'end' => $last, 'distinct' => $distinct, 'count' => $count);
        }
    }
    return $best;
}

function fl_merge($ranges)
{
    usort($ranges, function ($a, $b) {
        return ($a[0] - $b[0]) ? $a[0] - $b[0] : $a[1] - $b[1];
    });
    $out = array();
    foreach ($ranges as $range) {
        $last = count($out) - 1;
        if ($last >= 0 && $range[0] <= $out[$last][1]) {
            if ($range[1] > $out[$last][1]) {
                $out[$last][1] = $range[1];
            }
        } else {
            $out[] = $range;
        }
    }
    return $out;
}

function fl_marks_within(&$view, $matchers, $start, $end)
{
    $ranges = array();
    foreach ($matchers as $matcher) {
        foreach (fl_find_units($view['folded'], $start - $view['from'], $end - $view['from'], $matcher, 1000) as $range) {
            $ranges[] = array($range[0] + $view['from'], $range[1] + $view['from']);
        }
    }
    return fl_merge($ranges);
}

// Moves the edges of [start, end) onto word boundaries when one is near, without giving up any of
// [keepFrom, keepTo), and drops edge blanks.
function fl_snap(&$view, $start, $end, $keepFrom, $keepTo)
{
    $length = $view['length'];
    if ($start > 0 && !fl_is_blank(fl_unit($view, $start - 1))) {
        for ($k = $start; $k < min($start + FL_WORD_SNAP, $keepFrom); $k++) {
            if (fl_is_blank(fl_unit($view, $k))) {
                $start = $k + 1;
                break;
            }
        }
    }
    if ($end < $length && !fl_is_blank(fl_unit($view, $end))) {
        for ($k = $end - 1; $k > max($end - FL_WORD_SNAP, $keepTo - 1); $k--) {
            if (fl_is_blank(fl_unit($view, $k))) {
                $end = $k;
                break;
            }
        }
    }
    if (fl_inside_pair($view, $start)) {
        $start++;
    }
    if (fl_inside_pair($view, $end)) {
        $end--;
    }
    while ($start < $end && fl_is_blank(fl_unit($view, $start))) {
        $start++;
    }
    while ($end > $start && fl_is_blank(fl_unit($view, $end - 1))) {
        $end--;
    }
    $before = $start - 1;
    $after = $end;
    while ($before >= 0 && fl_is_blank(fl_unit($view, $before))) {
        $before--;
    }
    while ($after < $length && fl_is_blank(fl_unit($view, $after))) {
        $after++;
    }
    return array($start, $end, $before >= 0, $after < $length);
}

function fl_part(&$view, $edges, $matchers)
{
    return array('start' => $edges[0], 'end' => $edges[1], 'cutBefore' => $edges[2], 'cutAfter' => $edges[3],
        'marks' => fl_marks_within($view, $matchers, $edges[0], $edges[1]), 'view' => $view);
}

// The view to work in around units [$from, $to): a stretch with some room on either side, or, for a text
// with characters beyond the first plane (where units and characters differ), the whole text.
function fl_view_around($text, $folded, $from, $to)
{
    if (preg_match('/[\xF0-\xF4]/', $text) || strlen($text) < 4096) {
        return fl_view($text, $folded);
    }
    return fl_view($text, $folded, max(0, $from - 64), $to + 64);
}

// About FL_EXCERPT_LENGTH units of the text around the best place where the query matches, or null.
function fl_excerpt($text, $folded, $matchers)
{
    $size = FL_EXCERPT_LENGTH;
    $all = fl_occurrences($folded, $matchers, FL_PLACE_LIMIT);
    if (!$all) {
        return null;
    }
    $span = fl_best_span($all, $size);
    $length = fl_length($text);
    $centre = ($span['start'] + $span['end']) / 2;
    $start = (int) max(0, min(floor($centre - $size / 2 + 0.5), $length - $size));
    if ($start > $span['start']) {
        $start = $span['start'];
    }
    $end = min($length, $start + $size);
    $view = fl_view_around($text, $folded, $start, $end);
    $edges = fl_snap($view, $start, $end, $span['start'], min($span['end'], $end));
    if ($view['outside']) {
        $view = fl_view($text, $folded);
        $edges = fl_snap($view, $start, $end, $span['start'], min($span['end'], $end));
    }
    return fl_part($view, $edges, $matchers);
}

// The opening of a text, for pages whose text holds no match.
function fl_lead($text, $folded, $matchers)
{
    $end = min(fl_length($text), FL_EXCERPT_LENGTH);
    $view = fl_view_around($text, $folded, 0, $end);
    $edges = fl_snap($view, 0, $end, 0, 0);
    if ($view['outside']) {
        $view = fl_view($text, $folded);
        $edges = fl_snap($view, 0, $end, 0, 0);
    }
    return fl_part($view, $edges, $matchers);
}

// The whole text with its matches marked (titles).
function fl_whole($text, $folded, $matchers)
{
    $view = fl_view($text, $folded);
    return fl_part($view, fl_snap($view, 0, $view['length'], 0, 0), $matchers);
}

function fl_substring($units, $from, $to)
{
    return implode('', array_slice($units, $from, max(0, $to - $from)));
}

// HTML for a part: the text escaped, each match wrapped in $openMark ... "</mark>", an ellipsis where
// the text was cut.
function fl_part_html($part, $openMark)
{
    $text = $part['view']['text'];
    $from = $part['view']['from'];
    $out = $part['cutBefore'] ? FL_ELLIPSIS . ' ' : '';
    $at = $part['start'];
    foreach ($part['marks'] as $mark) {
        $out .= fl_escape_html(fl_substring($text, $at - $from, $mark[0] - $from));
        $out .= $openMark . fl_escape_html(fl_substring($text, $mark[0] - $from, $mark[1] - $from)) . '</mark>';
        $at = $mark[1];
    }
    $out .= fl_escape_html(fl_substring($text, $at - $from, $part['end'] - $from));
    if ($part['cutAfter']) {
        $out .= ' ' . FL_ELLIPSIS;
    }
    return $out;
}
