<?php
// SPDX-License-Identifier: MIT
// Draws a verification code with GD. A reader that knows numfont.inc and slides its shapes over
// the image must not find them: each digit is a light core inside a band of ink whose width is
// its own and swells and thins along the stroke, so a template lands on the paper of the core
// or on the wrong edge of the band; each also gets its own variant, size, proportions,
// rotation, shear and bend, and the whole image is warped. A person reads a bold light digit
// outlined in dark ink, upright within 15 degrees; the clutter lies under the digits.
// Requested on its own this file only defines functions and prints nothing.

require_once __DIR__ . '/numfont.inc';

const MAKEIMG_WIDTH = 150;
const MAKEIMG_HEIGHT = 56;

// Whether makeimg_seed was called; the kit never calls it.
function makeimg_seeded(?bool $set = null): bool
{
    static $seeded = false;
    if ($set !== null) {
        $seeded = $set;
    }
    return $seeded;
}

// Makes every following drawing repeat for the same seed, so that a measurement over many
// images gives the same figure each run. Without it the numbers come from random_int.
function makeimg_seed(int $seed): void
{
    mt_srand($seed);
    makeimg_seeded(true);
}

function makeimg_int(int $lo, int $hi): int
{
    return makeimg_seeded() ? mt_rand($lo, $hi) : random_int($lo, $hi);
}

function makeimg_rand(float $lo, float $hi): float
{
    return $lo + ($hi - $lo) * makeimg_int(0, 1000000) / 1000000;
}

// Points every half unit along a polyline (a pixel in the image, a box unit in numfont.inc).
function makeimg_densify(array $points): array
{
    $out = [];
    for ($i = 1, $n = count($points); $i < $n; $i++) {
        [$x0, $y0] = $points[$i - 1];
        [$x1, $y1] = $points[$i];
        $steps = max(1, (int)ceil(hypot($x1 - $x0, $y1 - $y0) * 2));
        for ($s = 0; $s < $steps; $s++) {
            $out[] = [$x0 + ($x1 - $x0) * $s / $steps, $y0 + ($y1 - $y0) * $s / $steps];
        }
    }
    if ($points) {
        $out[] = end($points);
    }
    return $out;
}

function makeimg_dot($im, float $x, float $y, float $radius, int $color): void
{
    $d = max(2, (int)round(2 * $radius));
    imagefilledellipse($im, (int)round($x), (int)round($y), $d, $d, $color);
}

// A thick stroke whose width breathes along its length.
function makeimg_stroke($im, array $points, float $radius, int $color, callable $warp): void
{
    $phase = makeimg_rand(0, 6.3);
    foreach (makeimg_densify($points) as $k => [$x, $y]) {
        [$x, $y] = $warp($x, $y);
        makeimg_dot($im, $x, $y, $radius * (1 + 0.25 * sin($phase + $k / 9)), $color);
    }
}

// A smooth random warp: x moves by a sine of y and y by a sine of x, with amplitudes in the range
// $amp, periods in $xPeriod (for x's move) and $yPeriod, and random phases.
function makeimg_warp(array $amp, array $xPeriod, array $yPeriod): Closure
{
    $ax = makeimg_rand(...$amp);
    $ay = makeimg_rand(...$amp);
    $px = makeimg_rand(...$xPeriod);
    $py = makeimg_rand(...$yPeriod);
    $fx = makeimg_rand(0, 6.3);
    $fy = makeimg_rand(0, 6.3);
    return function (float $x, float $y) use ($ax, $ay, $px, $py, $fx, $fy): array {
        return [$x + $ax * sin($y / $px + $fx), $y + $ay * sin($x / $py + $fy)];
    };
}

function makeimg_ink($im): int
{
    return imagecolorallocate($im, makeimg_int(0, 90), makeimg_int(0, 70), makeimg_int(20, 110));
}

// The pen along one glyph's strokes, warped: points [x, y, core radius, band radius]. The glyph
// is drawn as a band of ink with a light core over it, so the digit reads as a light shape
// outlined in ink. The band's width is the glyph's own, from a thin outline to a wide halo, and
// swells and thins along the stroke; a template drawn with one pen, solid or hollow, fits none
// of it well.
function makeimg_pen(array $strokes, callable $warp): array
{
    $core = makeimg_rand(1.3, 3.0);
    $width = makeimg_rand(2.2, 4.0);
    [$bphase, $cphase] = [makeimg_rand(0, 6.3), makeimg_rand(0, 6.3)];
    $period = makeimg_rand(5, 12);
    $pen = [];
    $k = 0;
    foreach ($strokes as $stroke) {
        foreach (makeimg_densify($stroke) as [$u, $v]) {
            [$x, $y] = $warp($u, $v);
            $c = $core * (1 + 0.08 * sin($cphase + $k / 7));
            // The band never thinner than a pixel and a bit, or the core would melt into the
            // paper, and the whole stroke never thinner than six pixels.
            $b = max($c + 1.2, 3.2, ($core + $width) * (1 + 0.4 * sin($bphase + $k / $period)));
            $pen[] = [$x, $y, $c, $b];
            $k++;
        }
    }
    return $pen;
}

// Draws $code (digits) into the PNG file $png; false when GD is missing or the write fails.
// $clutter false leaves out the crossing strokes and specks (for measuring what they add).
function makeimg_draw(string $code, string $png, bool $clutter = true): bool
{
    if (!function_exists('imagecreatetruecolor') || !preg_match('/^[0-9]{4}$/', $code)) {
        return false;
    }
    $w = MAKEIMG_WIDTH;
    $h = MAKEIMG_HEIGHT;
    $im = imagecreatetruecolor($w, $h);
    imagefill($im, 0, 0, imagecolorallocate($im, makeimg_int(235, 255), makeimg_int(235, 255), makeimg_int(225, 250)));
    for ($i = 0; $i < 6; $i++) {
        $tint = imagecolorallocate($im, makeimg_int(200, 240), makeimg_int(205, 240), makeimg_int(200, 240));
        imagefilledellipse($im, makeimg_int(0, $w), makeimg_int(0, $h), makeimg_int(20, 60), makeimg_int(15, 40), $tint);
    }

    // One smooth warp for the whole image, so shapes bend rather than shift.
    $warp = makeimg_warp([1.8, 3], [9, 16], [14, 24]);

    // Clutter in ink, under the glyphs so that their light cores cover it: two waves across the
    // whole code, a few short strokes, specks.
    for ($i = 0; $clutter && $i < 2; $i++) {
        $base = makeimg_rand(12, $h - 12);
        $amp = makeimg_rand(4, 12);
        $period = makeimg_rand(18, 40);
        $phase = makeimg_rand(0, 6.3);
        $wave = [];
        for ($x = -2; $x <= $w + 2; $x += 3) {
            $wave[] = [$x, $base + $amp * sin($x / $period + $phase)];
        }
        makeimg_stroke($im, $wave, makeimg_rand(0.8, 1.2), makeimg_ink($im), $warp);
    }
    for ($i = 0; $clutter && $i < 5; $i++) {
        $x = makeimg_rand(0, $w);
        $y = makeimg_rand(0, $h);
        $a = makeimg_rand(0, 6.3);
        $len = makeimg_rand(6, 14);
        makeimg_stroke($im, [[$x, $y], [$x + $len * cos($a), $y + $len * sin($a)]], makeimg_rand(0.8, 1.3), makeimg_ink($im), $warp);
    }
    for ($i = 0; $clutter && $i < 120; $i++) {
        imagesetpixel($im, makeimg_int(0, $w - 1), makeimg_int(0, $h - 1), makeimg_ink($im));
    }

    $glyphs = numfont_glyphs();
    $pitch = ($w - 20) / 4;
    $pens = [];
    for ($i = 0; $i < 4; $i++) {
        $variants = $glyphs[(int)$code[$i]];
        $strokes = $variants[makeimg_int(0, count($variants) - 1)];
        // Width follows height within limits, or a narrow 7 passes for a 1.
        $sy = makeimg_rand(1.9, 2.6);
        $sx = $sy * makeimg_rand(0.75, 1.05);
        $angle = deg2rad(makeimg_rand(-15, 15));
        $shear = makeimg_rand(-0.25, 0.25);
        // Proportions shift too: the waist of an 8 or a 3 rides up or down, a bowl widens.
        $gu = exp(makeimg_rand(-0.25, 0.25));
        $gv = exp(makeimg_rand(-0.3, 0.3));
        $cx = 10 + $pitch * ($i + 0.5) + makeimg_rand(-2, 2);
        $cy = $h / 2 + makeimg_rand(-3, 3);
        [$cos, $sin] = [cos($angle), sin($angle)];
        // Each glyph also bends on its own, so no one template fits all four.
        $own = makeimg_warp([0.9, 1.8], [4, 8], [4, 8]);
        $bend = function (float $x, float $y) use ($warp, $own): array {
            return $warp(...$own($x, $y));
        };
        $placed = [];
        foreach ($strokes as $stroke) {
            $points = [];
            foreach (makeimg_densify($stroke) as [$u, $v]) {
                $u = 10 * (max(0, $u) / 10) ** $gu;
                $v = 16 * (max(0, $v) / 16) ** $gv;
                $u = ($u - 5 + $shear * ($v - 8)) * $sx;
                $v = ($v - 8) * $sy;
                $points[] = [$cx + $u * $cos - $v * $sin, $cy + $u * $sin + $v * $cos];
            }
            $placed[] = $points;
        }
        $pens[] = makeimg_pen($placed, $bend);
    }
    // Glyph by glyph, band then core: where glyphs touch, the later one lies over the earlier
    // with its band between them (cores drawn last of all would run together).
    foreach ($pens as $pen) {
        $ink = makeimg_ink($im);
        $light = imagecolorallocate($im, makeimg_int(245, 255), makeimg_int(245, 255), makeimg_int(240, 255));
        foreach ([[3, $ink], [2, $light]] as [$field, $color]) {
            foreach ($pen as $point) {
                makeimg_dot($im, $point[0], $point[1], $point[$field], $color);
            }
        }
    }

    $ok = imagepng($im, $png);
    imagedestroy($im);
    return $ok;
}
