<?php
// SPDX-License-Identifier: MIT
// Draws the three default images a converted page can show in place of an address:
// php make_default_images.php OUTDIR (writes VelmorantDefaultImg1.gif .. 3.gif).
$out = $argv[1] ?? __DIR__;

function envelope($im, int $x, int $y, int $w, int $h, int $ink, int $paper): void
{
    imagefilledrectangle($im, $x, $y, $x + $w - 1, $y + $h - 1, $paper);
    imagerectangle($im, $x, $y, $x + $w - 1, $y + $h - 1, $ink);
    imageline($im, $x, $y, $x + intdiv($w, 2), $y + intdiv($h, 2), $ink);
    imageline($im, $x + $w - 1, $y, $x + intdiv($w, 2), $y + intdiv($h, 2), $ink);
}

// 1: a bare envelope.
$im = imagecreate(18, 13);
$bg = imagecolorallocate($im, 255, 255, 255);
imagecolortransparent($im, $bg);
envelope($im, 0, 0, 18, 13, imagecolorallocate($im, 40, 70, 140), imagecolorallocate($im, 250, 246, 220));
imagegif($im, "$out/VelmorantDefaultImg1.gif");

// 2: envelope and the word E-MAIL, for pages whose readers expect a label.
$im = imagecreate(66, 15);
$bg = imagecolorallocate($im, 255, 255, 255);
imagecolortransparent($im, $bg);
$ink = imagecolorallocate($im, 40, 70, 140);
envelope($im, 0, 1, 17, 13, $ink, imagecolorallocate($im, 250, 246, 220));
imagestring($im, 2, 21, 1, 'E-MAIL', $ink);
imagegif($im, "$out/VelmorantDefaultImg2.gif");

// 3: a small button with an at sign.
$im = imagecreate(44, 16);
$face = imagecolorallocate($im, 60, 110, 180);
$edge = imagecolorallocate($im, 30, 60, 110);
$text = imagecolorallocate($im, 255, 255, 255);
imagerectangle($im, 0, 0, 43, 15, $edge);
imagestring($im, 2, 5, 1, '@mail', $text);
imagegif($im, "$out/VelmorantDefaultImg3.gif");
