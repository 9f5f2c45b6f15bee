<?php
// SPDX-License-Identifier: MIT
// php gd_samples.php KIT_GD_DIR COUNT CLUTTER(0|1) OUT
// Writes, for the reading test, COUNT code images drawn by the kit's makeimg.php and the kit's
// own digit shapes drawn plainly (no warp, no rotation, middle size and stroke) as templates.
// OUT holds little-endian records: "T" digit variant w h pixels... for each template, then
// "I" code(4 bytes) w h pixels... for each image; a pixel byte is 1 for ink, 0 for paper.

[$self, $dir, $count, $clutter, $out] = $argv;
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

$f = fopen($out, 'wb');
$identity = fn(float $x, float $y): array => [$x, $y];
foreach (numfont_glyphs() as $digit => $variants) {
    foreach ($variants as $v => $strokes) {
        $im = imagecreatetruecolor(32, 44);
        imagefill($im, 0, 0, imagecolorallocate($im, 255, 255, 255));
        $ink = imagecolorallocate($im, 0, 0, 0);
        foreach ($strokes as $stroke) {
            $placed = [];
            foreach ($stroke as [$u, $p]) {
                $placed[] = [16 + ($u - 5) * 2.15, 22 + ($p - 8) * 2.15];
            }
            // A fixed stroke: the width's own breathing is part of the kit's variation.
            foreach (makeimg_densify($placed) as [$x, $y]) {
                imagefilledellipse($im, (int)round($x), (int)round($y), 3, 3, $ink);
            }
        }
        fwrite($f, 'T' . pack('VV', $digit, $v) . ink_bytes($im));
        imagedestroy($im);
    }
}
$png = tempnam(sys_get_temp_dir(), 'gdocr');
for ($i = 0; $i < (int)$count; $i++) {
    $code = sprintf('%04d', random_int(0, 9999));
    makeimg_draw($code, $png, $clutter === '1');
    $im = imagecreatefrompng($png);
    fwrite($f, 'I' . $code . ink_bytes($im));
    imagedestroy($im);
}
unlink($png);
fclose($f);
