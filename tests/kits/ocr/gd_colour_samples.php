<?php
// SPDX-License-Identifier: MIT
// php gd_colour_samples.php KIT_GD_DIR COUNT SEED OUT
// Writes COUNT code images drawn by the kit's makeimg.php exactly as the kit draws them (clutter
// on, through the PNG it serves), seeded with SEED so that a run repeats, in full colour for a
// reader that looks at the colours. OUT holds "I" code(4 bytes) w h (little-endian 32 bits) and
// then three bytes a pixel, red green blue, row by row, for each image.

[$self, $dir, $count, $seed, $out] = $argv;
require $dir . '/makeimg.php';

$f = fopen($out, 'wb');
makeimg_seed((int)$seed);
$png = tempnam(sys_get_temp_dir(), 'gdrgb');
for ($i = 0; $i < (int)$count; $i++) {
    $code = sprintf('%04d', makeimg_int(0, 9999));
    if (!makeimg_draw($code, $png)) {
        fwrite(STDERR, "makeimg_draw failed\n");
        exit(1);
    }
    $im = imagecreatefrompng($png);
    $w = imagesx($im);
    $h = imagesy($im);
    $pixels = [];
    for ($y = 0; $y < $h; $y++) {
        for ($x = 0; $x < $w; $x++) {
            $c = imagecolorat($im, $x, $y);
            $pixels[] = ($c >> 16) & 255;
            $pixels[] = ($c >> 8) & 255;
            $pixels[] = $c & 255;
        }
    }
    fwrite($f, 'I' . $code . pack('VV', $w, $h) . pack('C*', ...$pixels));
    imagedestroy($im);
}
unlink($png);
fclose($f);
