<?php
// Findlark server-side search (PHP): text helpers.
//
// The files of this folder are joined in name order, each without its opening tag, after the settings
// that search.php begins with; the folding table made by the build comes first. The code keeps to
// PHP 7.4 with pdo_sqlite and nothing else (no mbstring, no intl), and every result page must be the
// one the browser engine shows for the same address, so the functions here follow that engine's
// (searchfunc) step by step. Positions and lengths that decide what is shown (excerpts, the query's
// limit, page sizes) are counted as the browser counts them, in UTF-16 units.

const FL_LATIN1_NAMES = 'nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr '
    . 'deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 iquest '
    . 'Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml Igrave Iacute Icirc Iuml '
    . 'ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig '
    . 'agrave aacute acirc atilde auml aring aelig ccedil egrave eacute ecirc euml igrave iacute icirc iuml '
    . 'eth ntilde ograve oacute ocirc otilde ouml divide oslash ugrave uacute ucirc uuml yacute thorn yuml';
const FL_GREEK_UPPER = 'Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota Kappa Lambda Mu Nu Xi Omicron Pi Rho '
    . '- Sigma Tau Upsilon Phi Chi Psi Omega';
const FL_GREEK_LOWER = 'alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi rho '
    . 'sigmaf sigma tau upsilon phi chi psi omega';
const FL_OTHER_NAMES = array(
    'quot' => 34, 'amp' => 38, 'apos' => 39, 'lt' => 60, 'gt' => 62,
    'OElig' => 338, 'oelig' => 339, 'Scaron' => 352, 'scaron' => 353, 'Yuml' => 376, 'fnof' => 402,
    'circ' => 710, 'tilde' => 732, 'ensp' => 8194, 'emsp' => 8195, 'thinsp' => 8201, 'zwnj' => 8204,
    'zwj' => 8205, 'lrm' => 8206, 'rlm' => 8207, 'ndash' => 8211, 'mdash' => 8212, 'lsquo' => 8216,
    'rsquo' => 8217, 'sbquo' => 8218, 'ldquo' => 8220, 'rdquo' => 8221, 'bdquo' => 8222, 'dagger' => 8224,
    'Dagger' => 8225, 'bull' => 8226, 'hellip' => 8230, 'permil' => 8240, 'prime' => 8242, 'Prime' => 8243,
    'lsaquo' => 8249, 'rsaquo' => 8250, 'oline' => 8254, 'frasl' => 8260, 'euro' => 8364, 'trade' => 8482,
    'larr' => 8592, 'uarr' => 8593, 'rarr' => 8594, 'darr' => 8595, 'harr' => 8596, 'minus' => 8722,
    'infin' => 8734, 'asymp' => 8776, 'ne' => 8800, 'le' => 8804, 'ge' => 8805, 'sdot' => 8901,
    'loz' => 9674, 'spades' => 9824, 'clubs' => 9827, 'hearts' => 9829, 'diams' => 9830
);
// Numeric references to 128..159 mean the Windows code page's punctuation, as browsers read them.
const FL_CP1252 = array(0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178);

// What the browser's \s matches, as a character class body.
const FL_BLANK_CLASS = '\t\n\x{0B}\f\r \x{A0}\x{1680}\x{2000}-\x{200A}\x{2028}\x{2029}\x{202F}\x{205F}\x{3000}\x{FEFF}';

function fl_named_references()
{
    static $names = null;
    if ($names === null) {
        $names = array();
        foreach (explode(' ', FL_LATIN1_NAMES) as $i => $name) {
            $names[$name] = 160 + $i;
        }
        foreach (explode(' ', FL_GREEK_UPPER) as $i => $name) {
            if ($name !== '-') {
                $names[$name] = 913 + $i;
            }
        }
        foreach (explode(' ', FL_GREEK_LOWER) as $i => $name) {
            $names[$name] = 945 + $i;
        }
        $names = array_merge($names, FL_OTHER_NAMES);
    }
    return $names;
}

function fl_chr($code)
{
    if ($code < 0x80) {
        return chr($code);
    }
    if ($code < 0x800) {
        return chr(0xC0 | ($code >> 6)) . chr(0x80 | ($code & 0x3F));
    }
    if ($code < 0x10000) {
        return chr(0xE0 | ($code >> 12)) . chr(0x80 | (($code >> 6) & 0x3F)) . chr(0x80 | ($code & 0x3F));
    }
    return chr(0xF0 | ($code >> 18)) . chr(0x80 | (($code >> 12) & 0x3F)) . chr(0x80 | (($code >> 6) & 0x3F))
        . chr(0x80 | ($code & 0x3F));
}

function fl_numeric_reference($digits, $radix)
{
    $digits = ltrim($digits, '0');
    $code = strlen($digits) > 8 ? -1 : ($digits === '' ? 0 : intval($digits, $radix));
    if ($code <= 0 || $code > 0x10FFFF || ($code >= 0xD800 && $code <= 0xDFFF)) {
        return "\u{FFFD}";
    }
    if ($code >= 0x80 && $code <= 0x9F && FL_CP1252[$code - 0x80]) {
        $code = FL_CP1252[$code - 0x80];
    }
    return fl_chr($code);
}

// Decodes character references once ("&amp;lt;" gives the text "&lt;"); named ones need their
// semicolon, numeric ones may lack it; unknown names stay as written.
function fl_decode_references($s)
{
    $s = (string) $s;
    if (strpos($s, '&') === false) {
        return $s;
    }
    $pieces = explode('&', $s);
    $names = fl_named_references();
    for ($k = 1, $n = count($pieces); $k < $n; $k++) {
        $piece = $pieces[$k];
        $value = null;
        $m = array();
        if (preg_match('/^(?:#[xX]([0-9a-fA-F]+);?|#([0-9]+);?|([A-Za-z][A-Za-z0-9]{1,31});)/', $piece, $m)) {
            if (isset($m[1]) && $m[1] !== '') {
                $value = fl_numeric_reference($m[1], 16);
            } elseif (isset($m[2]) && $m[2] !== '') {
                $value = fl_numeric_reference($m[2], 10);
            } elseif (isset($names[$m[3]])) {
                $value = fl_chr($names[$m[3]]);
            }
        }
        $pieces[$k] = $value === null ? '&' . $piece : $value . substr($piece, strlen($m[0]));
    }
    return implode('', $pieces);
}

// The index stores each field as it would stand inside a double-quoted script string (the form of
// webdata.js); a search must see what the literal means.
function fl_unescape_stored($value)
{
    if ($value === null) {
        return '';
    }
    $s = fl_well_formed($value);
    if (strpos($s, '\\') === false) {
        return $s;
    }
    return preg_replace_callback('/\\\\(?:x([0-9a-fA-F]{2})|u([0-9a-fA-F]{4})|(.))/su', function ($m) {
        if (isset($m[1]) && $m[1] !== '') {
            return fl_chr(hexdec($m[1]));
        }
        if (isset($m[2]) && $m[2] !== '') {
            $code = hexdec($m[2]);
            return $code >= 0xD800 && $code <= 0xDFFF ? "\u{FFFD}" : fl_chr($code);
        }
        $single = array('b' => "\x08", 'f' => "\f", 'n' => "\n", 'r' => "\r", 't' => "\t", 'v' => "\x0B",
            '0' => "\0", "\n" => '', "\r" => '', "\u{2028}" => '', "\u{2029}" => '');
        return isset($single[$m[3]]) ? $single[$m[3]] : $m[3];
    }, $s);
}

// Text that is not UTF-8 (anyone can send any bytes) with each bad sequence as U+FFFD.
function fl_well_formed($s)
{
    $s = (string) $s;
    if (preg_match('//u', $s)) {
        return $s;
    }
    return htmlspecialchars_decode(htmlspecialchars($s, ENT_NOQUOTES | ENT_SUBSTITUTE, 'UTF-8'), ENT_NOQUOTES);
}

// Composed accents, where the server can compose them (the intl extension); text without combining
// marks, what nearly every page holds, is the same either way.
function fl_composed($s)
{
    if (class_exists('Normalizer') && preg_match('/[^\x00-\x{2FF}]/u', $s)) {
        $normal = Normalizer::normalize($s, Normalizer::FORM_C);
        if (is_string($normal)) {
            return $normal;
        }
    }
    return $s;
}

// The text a visitor sees for an index field or a query: a NUL as a blank, references decoded,
// accents composed.
function fl_shown_text($raw)
{
    return fl_composed(fl_decode_references(str_replace("\0", ' ', (string) $raw)));
}

// Lower case character by character, with the index's own table (see the top of the file), so that a
// query is folded exactly as the index database's prepared text was.
function fl_fold_case($s)
{
    $s = strtr($s, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz');
    if (!preg_match('/[\x80-\xFF]/', $s)) {
        return $s;
    }
    // Pages are mostly ASCII: only the runs of other characters are looked up, character by character.
    return preg_replace_callback('/[^\x00-\x7F]+/u', function ($m) {
        return strtr($m[0], FL_FOLD);
    }, $s);
}

// Good for element content and for quoted attribute values alike.
function fl_escape_html($s)
{
    return strtr((string) $s, array('&' => '&amp;', '<' => '&lt;', '>' => '&gt;', '"' => '&quot;', "'" => '&#39;'));
}

function fl_trim_blanks($s)
{
    return preg_replace('/^[' . FL_BLANK_CLASS . ']+|[' . FL_BLANK_CLASS . ']+$/u', '', $s);
}

// The length of a text as the browser counts it: UTF-16 units.
function fl_length($s)
{
    $s = (string) $s;
    if (!preg_match('/[\x80-\xFF]/', $s)) {
        return strlen($s);
    }
    // Every byte but a continuation byte starts a character, and a four-byte one is a character beyond
    // the first plane, two units. (Counted by what is left without the continuation bytes: a pass of
    // PCRE is much quicker than a count of every byte over the long texts a search weighs.)
    $units = strlen(preg_replace('/[\x80-\xBF]+/', '', $s));
    if (preg_match('/[\xF0-\xFF]/', $s)) {
        $units += preg_match_all('/[\xF0-\xFF]/', $s);
    }
    return $units;
}

// A text as UTF-16 units: a character outside the first plane takes two places, the first holding it
// and the second empty, so that positions and lengths are those of the browser.
function fl_units($s)
{
    $s = (string) $s;
    if ($s === '') {
        return array();
    }
    if (!preg_match('/[\x80-\xFF]/', $s)) {
        return str_split($s);
    }
    $units = array();
    foreach (preg_split('//u', $s, -1, PREG_SPLIT_NO_EMPTY) as $c) {
        $units[] = $c;
        if (strlen($c) === 4) {
            $units[] = '';
        }
    }
    return $units;
}
