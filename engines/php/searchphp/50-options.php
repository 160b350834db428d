<?php
// Findlark server-side search (PHP): the options and texts that search.php sets before this code.
// Anything missing or malformed (a hand-edited page) takes the program's default, as in the browser.

function fl_setting($name)
{
    return array_key_exists($name, $GLOBALS) ? $GLOBALS[$name] : null;
}

function fl_integer($value, $fallback, $min, $max)
{
    $n = null;
    if (is_int($value) || is_float($value)) {
        $n = $value;
    } elseif (is_string($value) && preg_match('/^-?\d{1,9}$/', fl_trim_blanks($value))) {
        $n = intval(fl_trim_blanks($value), 10);
    }
    return $n !== null && $n >= $min && $n <= $max ? (int) floor($n) : $fallback;
}

function fl_flag($value, $fallback)
{
    if (is_int($value) || is_float($value)) {
        return $value != 0;
    }
    if (is_string($value) && preg_match('/^-?\d+$/', fl_trim_blanks($value))) {
        return intval(fl_trim_blanks($value), 10) !== 0;
    }
    if (is_bool($value)) {
        return $value;
    }
    return $fallback;
}

function fl_color($value, $fallback)
{
    return is_string($value) && preg_match('/^#(?:[0-9a-fA-F]{3}){1,2}$/D', $value) ? strtolower($value) : $fallback;
}

const FL_CSS_SIZES = array('x-small', 'small', 'medium', 'large', 'x-large', 'xx-large', '3rem');
const FL_GENERIC_FAMILIES = array('serif', 'sans-serif', 'monospace', 'cursive', 'fantasy', 'system-ui');

// A face list such as "Verdana, Arial" as a CSS font-family value that cannot end its declaration.
function fl_font_family($value, $fallback)
{
    $out = array();
    $generic = false;
    foreach (explode(',', $value === null ? '' : (string) $value) as $name) {
        $name = fl_trim_blanks(preg_replace('/[\x00-\x1F"\'`;:{}()<>\\\\\/!@#$%^&*=+|?\[\]~]/', '', fl_well_formed($name)));
        if ($name === '') {
            continue;
        }
        if (in_array(strtolower($name), FL_GENERIC_FAMILIES, true)) {
            $out[] = strtolower($name);
            $generic = true;
        } else {
            $out[] = '"' . $name . '"';
        }
    }
    if (!$out) {
        return $fallback;
    }
    if (!$generic) {
        $out[] = 'sans-serif';
    }
    return implode(', ', $out);
}

function fl_look($size, $face, $colorValue, $defaultSize, $defaultColor)
{
    $n = fl_integer($size, $defaultSize, 1, 7);
    return 'font-family:' . fl_font_family($face, 'sans-serif') . ';font-size:' . FL_CSS_SIZES[$n - 1]
        . ';color:' . fl_color($colorValue, $defaultColor);
}

function fl_read_options()
{
    $name = fl_setting('SearchFileName');
    return array(
        'matching' => fl_integer(fl_setting('MatchingStrategy'), 0, 0, 2),
        'strategy' => fl_integer(fl_setting('SearchStrategy'), 0, 0, 3),
        'windowType' => fl_integer(fl_setting('OutPutWindowType'), 0, 0, 2),
        'showTitle' => fl_flag(fl_setting('OutPutResultTitle'), true),
        'showText' => fl_flag(fl_setting('OutPutResultText'), true),
        'showUrl' => fl_flag(fl_setting('OutPutResultUrl'), true),
        'showInfo' => fl_flag(fl_setting('OutPutResultInfo'), true),
        'newSearchLink' => !fl_flag(fl_setting('NoNewSearchLink'), false),
        'horizontalLines' => !fl_flag(fl_setting('NoHorizLine'), false),
        'poweredBy' => !fl_flag(fl_setting('NoPoweredBy'), false),
        'titleStyle' => fl_look(fl_setting('ResultTitleSize'), fl_setting('ResultTitleFace'), fl_setting('ResultTitleColor'), 3, '#0000ff'),
        'textStyle' => fl_look(fl_setting('ResultTextSize'), fl_setting('ResultTextFace'), fl_setting('ResultTextColor'), 2, '#000000'),
        'urlStyle' => fl_look(fl_setting('ResultUrlSize'), fl_setting('ResultUrlFace'), fl_setting('ResultUrlColor'), 2, '#008000'),
        'infoStyle' => fl_look(fl_setting('ResultInfoSize'), fl_setting('ResultInfoFace'), fl_setting('ResultInfoColor'), 2, '#000000'),
        'hitTitleColor' => fl_color(fl_setting('HitTitleColor'), '#cc0033'),
        'hitTextColor' => fl_color(fl_setting('HitTextColor'), '#cc0033'),
        'searchFileName' => is_string($name) && $name !== '' ? $name : 'search.php'
    );
}

// A translator may have written references (R&eacute;sultat): texts are shown decoded, then escaped.
function fl_text_setting($name, $fallback)
{
    $value = fl_setting($name);
    return is_string($value) || is_int($value) || is_float($value) ? fl_shown_text(fl_well_formed((string) $value)) : $fallback;
}

function fl_read_strings()
{
    return array(
        'yourSearch' => fl_text_setting('StrYourSearch', 'Your search:'),
        'newSearch' => fl_text_setting('StrNewSearch', 'New Search'),
        'closeWindow' => fl_text_setting('StrCloseWindow', 'Close Window'),
        'find' => fl_text_setting('StrFind', 'Find'),
        'items' => fl_text_setting('StrItems', 'items'),
        'resultPage' => fl_text_setting('strResultPage', 'Result Page'),
        'previous' => fl_text_setting('strPrevious', 'Previous'),
        'next' => fl_text_setting('strNext', 'Next')
    );
}
