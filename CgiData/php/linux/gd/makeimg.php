<?php
// SPDX-License-Identifier: MIT
// Draws a verification code with GD. A reader that knows numfont.inc and slides its shapes over
// the image must not find them: every glyph gets its own variant, size, rotation, shear and
// stroke width, the whole image is warped, and strokes of the same ink cross the digits.
// A person reads the digits because they stay thick, upright within 20 degrees and apart.
// Requested on its own this file only defines functions and prints nothing.

require_once __DIR__ . '/numfont.inc';

const MAKEIMG_WIDTH = 150;
const MAKEIMG_HEIGHT = 56;

function makeimg_rand(float $lo, float $hi): float
{
    return $lo + ($hi - $lo) * random_int(0, 1000000) / 1000000;
}

// Points every half pixel along a polyline (already in image coordinates).
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

// A thick stroke whose width breathes along its length.
function makeimg_stroke($im, array $points, float $radius, int $color, callable $warp): void
{
    $phase = makeimg_rand(0, 6.3);
    foreach (makeimg_densify($points) as $k => [$x, $y]) {
        [$x, $y] = $warp($x, $y);
        $r = $radius * (1 + 0.25 * sin($phase + $k / 9));
        $d = max(2, (int)round(2 * $r));
        imagefilledellipse($im, (int)round($x), (int)round($y), $d, $d, $color);
    }
}

function makeimg_ink($im): int
{
    return imagecolorallocate($im, random_int(0, 90), random_int(0, 70), random_int(20, 110));
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
    imagefill($im, 0, 0, imagecolorallocate($im, random_int(235, 255), random_int(235, 255), random_int(225, 250)));
    for ($i = 0; $i < 6; $i++) {
        $tint = imagecolorallocate($im, random_int(200, 240), random_int(205, 240), random_int(200, 240));
        imagefilledellipse($im, random_int(0, $w), random_int(0, $h), random_int(20, 60), random_int(15, 40), $tint);
    }

    // One smooth warp for the whole image, so shapes bend rather than shift.
    $ax = makeimg_rand(3, 5);
    $ay = makeimg_rand(3, 5);
    $px = makeimg_rand(9, 16);
    $py = makeimg_rand(14, 24);
    $fx = makeimg_rand(0, 6.3);
    $fy = makeimg_rand(0, 6.3);
    $warp = function (float $x, float $y) use ($ax, $ay, $px, $py, $fx, $fy): array {
        return [$x + $ax * sin($y / $px + $fx), $y + $ay * sin($x / $py + $fy)];
    };

    $glyphs = numfont_glyphs();
    $pitch = ($w - 20) / 4;
    for ($i = 0; $i < 4; $i++) {
        $variants = $glyphs[(int)$code[$i]];
        $strokes = $variants[random_int(0, count($variants) - 1)];
        $sx = makeimg_rand(1.6, 2.6);
        $sy = makeimg_rand(1.7, 2.6);
        $angle = deg2rad(makeimg_rand(-25, 25));
        $shear = makeimg_rand(-0.45, 0.45);
        $cx = 10 + $pitch * ($i + 0.5) + makeimg_rand(-3, 3);
        $cy = $h / 2 + makeimg_rand(-3, 3);
        [$cos, $sin] = [cos($angle), sin($angle)];
        $radius = makeimg_rand(1.3, 2.1);
        $ink = makeimg_ink($im);
        // Each glyph also bends on its own, so no one template fits all four.
        $gx = makeimg_rand(1.2, 2.4);
        $gy = makeimg_rand(1.2, 2.4);
        $gpx = makeimg_rand(4, 8);
        $gpy = makeimg_rand(4, 8);
        $gfx = makeimg_rand(0, 6.3);
        $gfy = makeimg_rand(0, 6.3);
        $bend = function (float $x, float $y) use ($warp, $gx, $gy, $gpx, $gpy, $gfx, $gfy): array {
            return $warp($x + $gx * sin($y / $gpx + $gfx), $y + $gy * sin($x / $gpy + $gfy));
        };
        foreach ($strokes as $stroke) {
            $placed = [];
            foreach ($stroke as [$u, $v]) {
                $u = ($u - 5 + $shear * ($v - 8)) * $sx;
                $v = ($v - 8) * $sy;
                $placed[] = [$cx + $u * $cos - $v * $sin, $cy + $u * $sin + $v * $cos];
            }
            makeimg_stroke($im, $placed, $radius, $ink, $bend);
        }
    }

    // Clutter in ink: two waves across the whole code, a few short strokes, specks.
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
        imagesetpixel($im, random_int(0, $w - 1), random_int(0, $h - 1), makeimg_ink($im));
    }

    $ok = imagepng($im, $png);
    imagedestroy($im);
    return $ok;
}
