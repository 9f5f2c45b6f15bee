<?php
// SPDX-License-Identifier: MIT
// The answer to the pop-up's form: antispamin.php holds the whole kit, this only selects its answer half.
define('KIT_ANSWER', true);
require __DIR__ . '/antispamin.php';
