<?php
// SPDX-License-Identifier: MIT
// The one core of every PHP kit's antispamin.php: the build puts it in place of the line holding
// @KIT_CORE@ in each kit's antispamin.php.in (cmake/assemble_cgidata.cmake). Each kit adds
// kit_draw_code() and calls kit_main().

// ---- kit core: in every PHP kit's antispamin.php ----
//
// State kept in antispam/ (every file the scripts write is either a PHP file that exits when
// requested, or a list that holds client keys, numbers and times only, never a protected
// address or a code; the folder's .htaccess denies them all to visitors):
//   <token>.php       one pending code: token = 32 random hex digits, record after an exit line
//   iplist.txt        clients with recent failures, one a line
//   ipcount.txt       same line: "<failures> <time of the first failure>"
//   blockiplist.txt   blocked clients, one a line
//   blockiptime.txt   same line: the time the block ends
//   revealed.txt      "<time> <client> <N>": a client saw address N (kept a day)
//   popups.txt        "<time> <client>": a pop-up drawn for a client (kept an hour)
//   kit.ini           optional overrides of KIT_DEFAULTS (tests shorten the times); 0 turns a
//                     reveal or pop-up limit off
// Images live in antispambmp/ under their own random names and go with their token.
//
// The code image stops robots that only read pages; a robot that reads the image itself (the
// kit is public, its drawing too) is stopped by the reveal quotas: however well it reads, one
// client gets a few addresses an hour and a network a hundred a day.

const KIT_DEFAULTS = [
    'token_seconds' => 180,   // a code must be typed within three minutes
    'max_failures' => 5,      // this many failures ...
    'failure_window' => 600,  // ... within ten minutes ...
    'block_seconds' => 1800,  // ... block the client for half an hour
    'reveal_per_hour' => 10,  // different addresses one client may see in an hour ...
    'reveal_per_day' => 30,   // ... and in a day;
    'reveal_per_day_network' => 100, // all clients of one network together, in a day
    'popup_per_hour' => 30,   // pop-ups one client may open in an hour (each draws an image)
];
const KIT_HOUR = 3600;
const KIT_DAY = 86400;
const KIT_RECORD_HEAD = "<?php exit; ?>\n";

function kit_dir(string $sub = ''): string
{
    return __DIR__ . ($sub === '' ? '' : '/' . $sub);
}

function kit_config(): array
{
    static $config = null;
    if ($config === null) {
        $config = KIT_DEFAULTS;
        $ini = kit_dir('antispam/kit.ini');
        $read = is_file($ini) ? parse_ini_file($ini, false, INI_SCANNER_TYPED) : false;
        foreach ($config as $key => $_) {
            if (is_array($read) && is_int($read[$key] ?? null) && $read[$key] >= 0) {
                $config[$key] = $read[$key];
            }
        }
    }
    return $config;
}

// The client: the connection's address, never a forwarded-for header, which anyone can write. An
// IPv6 client is its /64, what one site or household is given.
function kit_client(): string
{
    // A link-local address may come with its interface ("fe80::1%eth0"), which is no part of it.
    $packed = @inet_pton(explode('%', (string)($_SERVER['REMOTE_ADDR'] ?? ''))[0]);
    if ($packed === false) {
        return 'unknown';
    }
    if (strlen($packed) === 16 && substr($packed, 0, 12) === str_repeat("\0", 10) . "\xff\xff") {
        $packed = substr($packed, 12);
    }
    if (strlen($packed) === 4) {
        return inet_ntop($packed);
    }
    return implode(':', array_map('dechex', array_values(unpack('n4', $packed)))) . '::/64';
}

// A client's network: an IPv4 /24 or an IPv6 /48.
function kit_network(string $client): string
{
    if (substr($client, -3) === '/64') {
        return implode(':', array_slice(explode(':', $client), 0, 3)) . '::/48';
    }
    $dot = strrpos($client, '.');
    return $dot === false ? $client : substr($client, 0, $dot) . '.0/24';
}

function kit_uniq_id($raw): ?int
{
    if (!is_string($raw) || !preg_match('/^[1-9][0-9]{0,8}$/', $raw)) {
        return null;
    }
    return (int)$raw;
}

// The address of line N of the data file ("N:address:PageCode"), or null. The page code is
// digits only, so the last colon ends the address, which may itself hold colons.
function kit_lookup(int $n): ?string
{
    $f = @fopen(kit_dir('emaildata.php'), 'rb');
    if ($f === false) {
        return null;
    }
    $prefix = $n . ':';
    $found = null;
    while (($line = fgets($f)) !== false) {
        if (strncmp($line, $prefix, strlen($prefix)) === 0) {
            $rest = rtrim(substr($line, strlen($prefix)), "\r\n");
            $colon = strrpos($rest, ':');
            if ($colon !== false && $colon > 0 && ctype_digit(substr($rest, $colon + 1))) {
                $found = substr($rest, 0, $colon);
            }
            break;
        }
    }
    fclose($f);
    return $found;
}

function kit_random_name(): string
{
    return bin2hex(random_bytes(16));
}

// ---- failures, blocks and quotas: all the lists, under one lock ----

const KIT_LISTS = [
    'ips' => 'iplist.txt', 'counts' => 'ipcount.txt', 'blocked' => 'blockiplist.txt', 'ends' => 'blockiptime.txt',
    'revealed' => 'revealed.txt', 'popups' => 'popups.txt',
];

function kit_read_list(string $name): array
{
    $lines = @file(kit_dir('antispam/' . $name), FILE_IGNORE_NEW_LINES | FILE_SKIP_EMPTY_LINES);
    return $lines === false ? [] : $lines;
}

function kit_write_list(string $name, array $lines): void
{
    $path = kit_dir('antispam/' . $name);
    $tmp = $path . '.' . kit_random_name() . '.tmp';
    if (file_put_contents($tmp, $lines ? implode("\n", $lines) . "\n" : '') !== false) {
        rename($tmp, $path);
    }
}

// The first field of a "<time> ..." line, as a number.
function kit_line_time(string $line): int
{
    return (int)strtok($line, ' ');
}

// Runs $change($state, $now) on the lists under an exclusive lock, with expired blocks, reveals
// and pop-ups already gone, and writes back the lists it changed. Everything one request decides
// happens inside one call, so parallel requests cannot slip between a check and its count.
function kit_with_state(callable $change)
{
    $lock = @fopen(kit_dir('antispam/kit.lock'), 'c');
    if ($lock !== false) {
        flock($lock, LOCK_EX);
    }
    $read = [];
    foreach (KIT_LISTS as $key => $name) {
        $read[$key] = kit_read_list($name);
    }
    $now = time();
    $state = $read;
    $state['blocked'] = [];
    $state['ends'] = [];
    foreach ($read['blocked'] as $i => $client) {
        if ((int)($read['ends'][$i] ?? 0) > $now) {
            $state['blocked'][] = $client;
            $state['ends'][] = (string)(int)$read['ends'][$i];
        }
    }
    $state['revealed'] = array_values(array_filter($read['revealed'], function ($line) use ($now) {
        return kit_line_time($line) > $now - KIT_DAY;
    }));
    $state['popups'] = array_values(array_filter($read['popups'], function ($line) use ($now) {
        return kit_line_time($line) > $now - KIT_HOUR;
    }));
    $result = $change($state, $now);
    foreach (KIT_LISTS as $key => $name) {
        if ($state[$key] !== $read[$key]) {
            kit_write_list($name, $state[$key]);
        }
    }
    if ($lock !== false) {
        flock($lock, LOCK_UN);
        fclose($lock);
    }
    return $result;
}

// Counts one failure of $client in $state; returns true when the client is blocked from now on.
function kit_count_failure(array &$state, string $client, int $now): bool
{
    $c = kit_config();
    $i = array_search($client, $state['ips'], true);
    [$failures, $since] = $i === false ? [0, $now]
        : array_map('intval', explode(' ', $state['counts'][$i] ?? '0 0') + [0, 0]);
    if ($now - $since > $c['failure_window']) {
        [$failures, $since] = [0, $now];
    }
    $failures++;
    if ($i !== false) {
        array_splice($state['ips'], $i, 1);
        array_splice($state['counts'], $i, 1);
    }
    if ($failures >= $c['max_failures']) {
        $state['blocked'][] = $client;
        $state['ends'][] = (string)($now + $c['block_seconds']);
        return true;
    }
    $state['ips'][] = $client;
    $state['counts'][] = $failures . ' ' . $since;
    return false;
}

// When $limit (0: none) is reached by the moments $times within a window of $seconds: the moment
// the oldest that must expire does; 0 when it is not reached.
function kit_limit_until(array $times, int $limit, int $seconds): int
{
    if ($limit <= 0 || count($times) < $limit) {
        return 0;
    }
    sort($times);
    return $times[count($times) - $limit] + $seconds;
}

function kit_has_revealed(array $state, string $client, int $n): bool
{
    foreach ($state['revealed'] as $line) {
        $field = explode(' ', $line);
        if (($field[1] ?? '') === $client && (int)($field[2] ?? 0) === $n) {
            return true;
        }
    }
    return false;
}

// 0 when $client may see address $n (seeing one again costs nothing), else when it may try again.
function kit_reveal_until(array $state, string $client, int $n, int $now): int
{
    if (kit_has_revealed($state, $client, $n)) {
        return 0;
    }
    $c = kit_config();
    $network = kit_network($client);
    $hour = $day = $net = [];
    foreach ($state['revealed'] as $line) {
        $field = explode(' ', $line);
        $time = (int)$field[0];
        if (($field[1] ?? '') === $client) {
            $day[] = $time;
            if ($time > $now - KIT_HOUR) {
                $hour[] = $time;
            }
        }
        if (kit_network($field[1] ?? '') === $network) {
            $net[] = $time;
        }
    }
    return max(kit_limit_until($hour, $c['reveal_per_hour'], KIT_HOUR),
               kit_limit_until($day, $c['reveal_per_day'], KIT_DAY),
               kit_limit_until($net, $c['reveal_per_day_network'], KIT_DAY));
}

// 0 when $client may open one more pop-up, else when it may try again.
function kit_popup_until(array $state, string $client): int
{
    $times = [];
    foreach ($state['popups'] as $line) {
        $field = explode(' ', $line);
        if (($field[1] ?? '') === $client) {
            $times[] = (int)$field[0];
        }
    }
    return kit_limit_until($times, kit_config()['popup_per_hour'], KIT_HOUR);
}

// ---- pending codes ----

// Deletes records and images older than a token's lifetime, and leftovers of interrupted writes.
function kit_purge_stale(): void
{
    $limit = time() - kit_config()['token_seconds'] - 60;
    foreach ([glob(kit_dir('antispam/*.php')) ?: [], glob(kit_dir('antispam/*.tmp')) ?: [],
              glob(kit_dir('antispambmp/*.png')) ?: []] as $files) {
        foreach ($files as $file) {
            if (preg_match('/^[0-9a-f]{32}/', basename($file)) && @filemtime($file) < $limit) {
                @unlink($file);
            }
        }
    }
}

function kit_record_path(string $token): string
{
    return kit_dir('antispam/' . $token . '.php');
}

function kit_store_record(string $token, array $record): bool
{
    $tmp = kit_dir('antispam/' . kit_random_name() . '.tmp');
    if (file_put_contents($tmp, KIT_RECORD_HEAD . json_encode($record)) === false) {
        return false;
    }
    return rename($tmp, kit_record_path($token));
}

// Takes the record of $token away so that no second request can use it; null if there is none.
function kit_claim_record($token): ?array
{
    if (!is_string($token) || !preg_match('/^[0-9a-f]{32}$/', $token)) {
        return null;
    }
    $claimed = kit_dir('antispam/' . kit_random_name() . '.tmp');
    if (!@rename(kit_record_path($token), $claimed)) {
        return null;
    }
    $text = (string)@file_get_contents($claimed);
    @unlink($claimed);
    $record = json_decode(substr($text, strlen(KIT_RECORD_HEAD)), true);
    if (!is_array($record)) {
        return null;
    }
    if (isset($record['image']) && preg_match('/^[0-9a-f]{32}$/', (string)$record['image'])) {
        @unlink(kit_dir('antispambmp/' . $record['image'] . '.png'));
    }
    return $record;
}

// ---- pages ----

function kit_h(string $text): string
{
    return htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
}

// Addresses are page bytes: UTF-8 when the page was, CP949 (the converter's default) otherwise.
function kit_utf8(string $bytes): string
{
    if (preg_match('//u', $bytes) === 1) {
        return $bytes;
    }
    $text = function_exists('iconv') ? @iconv('CP949', 'UTF-8//IGNORE', $bytes) : false;
    return $text === false ? $bytes : $text;
}

function kit_page(int $status, string $body): void
{
    http_response_code($status);
    header('Content-Type: text/html; charset=UTF-8');
    header('Cache-Control: no-store');
    header('X-Robots-Tag: noindex, nofollow');
    echo "<!doctype html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\">",
        "<meta name=\"robots\" content=\"noindex,nofollow\"><title>이메일 주소 확인</title>",
        "<style>body{margin:8px;font:12px sans-serif;text-align:center;color:#222}",
        "img{border:1px solid #999;margin:6px 0}input[type=text]{width:60px;font-size:16px;text-align:center}",
        "p{margin:6px 0}a{word-break:break-all}</style></head><body>\n",
        $body, "\n</body></html>\n";
}

function kit_close_button(): string
{
    return '<p><button type="button" onclick="window.close()">창 닫기</button></p>';
}

function kit_retry_link(int $n): string
{
    return '<p><a href="antispamin.php?UniqId=' . $n . '">새 코드 받기</a></p>';
}

function kit_blocked_page(): void
{
    kit_page(403, '<p>확인에 여러 번 실패하여 잠시 차단되었습니다.</p><p>나중에 다시 시도해 주십시오.</p>' . kit_close_button());
}

// "3분", "1시간", "1시간 24분": a wait, in whole minutes rounded up.
function kit_wait_text(int $seconds): string
{
    $minutes = max(1, intdiv($seconds + 59, 60));
    if ($minutes < 60) {
        return $minutes . '분';
    }
    $rest = $minutes % 60;
    return intdiv($minutes, 60) . '시간' . ($rest > 0 ? ' ' . $rest . '분' : '');
}

// Over a quota is not a failure: the page says when to come back and nothing is drawn.
function kit_quota_page(bool $popups, int $until): void
{
    $wait = max(1, $until - time());
    header('Retry-After: ' . $wait);
    kit_page(429, '<p>' . ($popups ? '확인 창을 너무 자주 열었습니다.' : '지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다.')
        . '</p><p>' . kit_wait_text($wait) . ' 뒤에 다시 시도해 주십시오.</p>' . kit_close_button());
}

function kit_show_popup(): void
{
    $n = kit_uniq_id($_GET['UniqId'] ?? null);
    if ($n === null || kit_lookup($n) === null) {
        kit_page(404, '<p>잘못된 요청입니다.</p>' . kit_close_button());
        return;
    }
    $client = kit_client();
    // Blocks and quotas are decided, and the pop-up counted, before anything is drawn.
    $refusal = kit_with_state(function (array &$state, int $now) use ($client, $n) {
        if (in_array($client, $state['blocked'], true)) {
            return ['blocked', 0];
        }
        $until = kit_popup_until($state, $client);
        if ($until > 0) {
            return ['popups', $until];
        }
        $until = kit_reveal_until($state, $client, $n, $now);
        if ($until > 0) {
            return ['reveals', $until];
        }
        $state['popups'][] = $now . ' ' . $client;
        return null;
    });
    if ($refusal !== null) {
        $refusal[0] === 'blocked' ? kit_blocked_page() : kit_quota_page($refusal[0] === 'popups', $refusal[1]);
        return;
    }
    kit_purge_stale();
    foreach (['antispam', 'antispambmp'] as $sub) {
        // No listing of pending images where the server lists folders.
        if (!is_file(kit_dir($sub . '/index.html'))) {
            @file_put_contents(kit_dir($sub . '/index.html'), "<!doctype html><title></title>\n");
        }
    }
    $code = sprintf('%04d', random_int(0, 9999));
    $token = kit_random_name();
    $image = kit_random_name();
    $png = kit_dir('antispambmp/' . $image . '.png');
    if (!kit_draw_code($code, $png) || !is_file($png)) {
        @unlink($png);
        kit_page(500, '<p>확인 이미지를 만들 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>' . kit_close_button());
        return;
    }
    $record = ['code' => $code, 'time' => time(), 'client' => $client, 'uniq' => $n, 'image' => $image];
    if (!kit_store_record($token, $record)) {
        @unlink($png);
        kit_page(500, '<p>확인 코드를 저장할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>' . kit_close_button());
        return;
    }
    kit_page(200,
        '<p>이메일 주소를 보시려면<br>그림의 숫자 네 자리를 입력하세요.</p>'
        . '<img src="antispambmp/' . $image . '.png" alt="확인 코드">'
        . '<form method="post" action="antispamout.php">'
        . '<input type="hidden" name="token" value="' . $token . '">'
        . '<p><input type="text" name="code" maxlength="4" inputmode="numeric" autocomplete="off" autofocus> '
        . '<input type="submit" value="확인"></p></form>'
        . '<p>' . intdiv(kit_config()['token_seconds'], 60) . '분 안에 입력해 주십시오.</p>');
}

function kit_show_answer(): void
{
    if (($_SERVER['REQUEST_METHOD'] ?? '') !== 'POST') {
        header('Allow: POST');
        kit_page(405, '<p>잘못된 요청입니다.</p>' . kit_close_button());
        return;
    }
    $client = kit_client();
    $token = $_POST['token'] ?? null;
    $typed = $_POST['code'] ?? '';
    // The block check, the claim of the record, the failure count and the reveal quota in one
    // step: a burst of parallel answers is counted exactly.
    [$outcome, $n, $until] = kit_with_state(function (array &$state, int $now) use ($client, $token, $typed) {
        if (in_array($client, $state['blocked'], true)) {
            return ['blocked', 0, 0];
        }
        $record = kit_claim_record($token);
        $n = (int)($record['uniq'] ?? 0);
        if ($record === null || ($record['client'] ?? '') !== $client) {
            $outcome = 'unknown';
        } elseif ($now - (int)($record['time'] ?? 0) > kit_config()['token_seconds']) {
            $outcome = 'expired';
        } elseif (!is_string($typed) || !hash_equals((string)($record['code'] ?? ''), trim($typed))) {
            $outcome = 'wrong';
        } else {
            // A right code: failures stay counted, so mixing right and wrong answers does not
            // keep a reader from being blocked.
            $until = kit_reveal_until($state, $client, $n, $now);
            if ($until > 0) {
                return ['reveals', $n, $until];
            }
            if (!kit_has_revealed($state, $client, $n)) {
                $state['revealed'][] = $now . ' ' . $client . ' ' . $n;
            }
            return ['shown', $n, 0];
        }
        return [kit_count_failure($state, $client, $now) ? 'blocked' : $outcome, $n, 0];
    });
    switch ($outcome) {
        case 'blocked':
            kit_blocked_page();
            return;
        case 'reveals':
            kit_quota_page(false, $until);
            return;
        case 'unknown':
            kit_page(403, '<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>' . kit_close_button());
            return;
        case 'expired':
            kit_page(403, '<p>입력 시간이 지났습니다.</p>' . kit_retry_link($n) . kit_close_button());
            return;
        case 'wrong':
            kit_page(403, '<p>입력한 숫자가 맞지 않습니다.</p>' . kit_retry_link($n) . kit_close_button());
            return;
    }
    $address = kit_lookup($n);
    if ($address === null) {
        kit_page(404, '<p>주소를 찾을 수 없습니다.</p>' . kit_close_button());
        return;
    }
    $shown = kit_h(kit_utf8($address));
    kit_page(200, '<p>이메일 주소입니다.</p><p><a id="address" href="mailto:' . $shown . '">' . $shown . '</a></p>' . kit_close_button());
}

function kit_main(): void
{
    defined('KIT_ANSWER') ? kit_show_answer() : kit_show_popup();
}
// ---- end of kit core ----
