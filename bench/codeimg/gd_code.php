<?php
// SPDX-License-Identifier: MIT
// What a PHP kit would do without codeimg: a four-digit code on a 96x50 two-colour image with GD, written as PNG.
$code = $argv[1] ?? '0000';
$path = $argv[2] ?? 'code.png';

$im = imagecreate(96, 50);
imagecolorallocate($im, 248, 248, 248); // the first colour of a palette image is its background
$ink = imagecolorallocate($im, 0, 0, 0);
$v = 8 + mt_rand(0, 5);
$s = 8 + mt_rand(0, 5);
for ($k = 0; $k < 4 && $k < strlen($code); $k++) {
    // Font 5 is 9x15; two strokes a column apart stand in for the shaken hand-drawn glyphs.
    $x = $s + 20 * $k + mt_rand(-1, 0);
    imagestring($im, 5, $x, 35 - $v, $code[$k], $ink);
    imagestring($im, 5, $x + 1, 35 - $v, $code[$k], $ink);
}
if (mt_rand(0, 1) === 1) {
    for ($x = 0; $x <= 88; $x += 8) {
        imageline($im, $x, 0, $x, 49, $ink);
    }
    for ($y = 0; $y <= 48; $y += 8) {
        imageline($im, 0, $y, 95, $y, $ink);
    }
} else {
    for ($i = 0; $i < 800; $i++) {
        imagesetpixel($im, mt_rand(1, 95), mt_rand(1, 49), $ink);
    }
}
imagepng($im, $path);
