<?php
// SPDX-License-Identifier: MIT
// php gd_samples.php KIT_GD_DIR COUNT CLUTTER(0|1) SEED PENS OUT
// Writes, for the reading test, COUNT code images drawn by the kit's makeimg.php (seeded with
// SEED, so a run repeats) and the kit's own digit shapes drawn plainly (no warp, no rotation,
// middle size) as templates, once for each pen in PENS: "3" is a solid stroke 3 pixels wide,
// "8:4" a stroke 8 wide with a paper core 4 wide, as the kit inks its outlines.
// OUT holds little-endian records: "T" digit variant w h pixels... for each template, then
// "I" code(4 bytes) w h pixels... for each image; a pixel byte is 1 for ink, 0 for paper.

[$self, $dir, $count, $clutter, $seed, $pens, $out] = $argv;
require $dir . '/makeimg.php';

function ink_bytes($im): string
{
    $w = imagesx($im);
    $h = imagesy($im);
    $bytes = '';
    for ($y = 0; $y < $h; $y++) {
        for ($x = 0; $x < $w; $x++) {
            $c = imagecolorat($im, $x, $y);
            $lum = (($c >> 16) & 255) * 0.3 + (($c >> 8) & 255) * 0.59 + ($c & 255) * 0.11;
            $bytes .= $lum < 150 ? "\1" : "\0";
        }
    }
    return pack('VV', $w, $h) . $bytes;
}

// The skeleton at the kit's middle size, centred in one box for every pen (the widest pens
// lose a pixel at the edges; a larger box would count more of the neighbours' ink).
function template_image(array $strokes, int $outer, int $inner)
{
    $w = 32;
    $h = 44;
    $im = imagecreatetruecolor($w, $h);
    imagefill($im, 0, 0, imagecolorallocate($im, 255, 255, 255));
    $layers = [[$outer, imagecolorallocate($im, 0, 0, 0)]];
    if ($inner > 0) {
        $layers[] = [$inner, imagecolorallocate($im, 255, 255, 255)];
    }
    foreach ($layers as [$d, $color]) {
        foreach ($strokes as $stroke) {
            $placed = [];
            foreach ($stroke as [$u, $v]) {
                $placed[] = [$w / 2 + ($u - 5) * 2.15, $h / 2 + ($v - 8) * 2.15];
            }
            // A fixed pen: the width's own breathing is part of the kit's variation.
            foreach (makeimg_densify($placed) as [$x, $y]) {
                imagefilledellipse($im, (int)round($x), (int)round($y), $d, $d, $color);
            }
        }
    }
    return $im;
}

$f = fopen($out, 'wb');
foreach (explode(' ', $pens) as $pen) {
    [$outer, $inner] = array_map('intval', explode(':', $pen . ':0'));
    foreach (numfont_glyphs() as $digit => $variants) {
        foreach ($variants as $v => $strokes) {
            $im = template_image($strokes, $outer, $inner);
            fwrite($f, 'T' . pack('VV', $digit, $v) . ink_bytes($im));
            imagedestroy($im);
        }
    }
}
makeimg_seed((int)$seed);
$png = tempnam(sys_get_temp_dir(), 'gdocr');
for ($i = 0; $i < (int)$count; $i++) {
    $code = sprintf('%04d', makeimg_int(0, 9999));
    makeimg_draw($code, $png, $clutter === '1');
    $im = imagecreatefrompng($png);
    fwrite($f, 'I' . $code . ink_bytes($im));
    imagedestroy($im);
}
unlink($png);
fclose($f);
