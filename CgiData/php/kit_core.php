<?php
// SPDX-License-Identifier: MIT
// The one core of every PHP kit's antispamin.php: the build puts it in place of the line holding
// @KIT_CORE@ in each kit's antispamin.php.in (cmake/assemble_cgidata.cmake). Each kit adds
// kit_draw_code() and calls kit_main().

// ---- kit core: in every PHP kit's antispamin.php ----
//
// State kept in antispam/ (every file the scripts write is either a PHP file that exits when
// requested, or a list that holds client addresses only, never a protected address or a code):
//   <token>.php       one pending code: token = 32 random hex digits, record after an exit line
//   iplist.txt        clients with recent failures, one address a line
//   ipcount.txt       same line: "<failures> <time of the first failure>"
//   blockiplist.txt   blocked clients, one address a line
//   blockiptime.txt   same line: the time the block ends
//   kit.ini           optional overrides of KIT_DEFAULTS (tests shorten the times)
// Images live in antispambmp/ under their own random names and go with their token.

const KIT_DEFAULTS = [
    'token_seconds' => 180,   // a code must be typed within three minutes
    'max_failures' => 5,      // this many failures ...
    'failure_window' => 600,  // ... within ten minutes ...
    'block_seconds' => 1800,  // ... block the client for half an hour
];
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

function kit_client(): string
{
    $ip = $_SERVER['REMOTE_ADDR'] ?? '';
    return filter_var($ip, FILTER_VALIDATE_IP) !== false ? $ip : 'unknown';
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

// ---- failure counting and blocking, all four lists under one lock ----

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

// Runs $change on the lists (by reference) under an exclusive lock and writes them back.
function kit_with_lists(callable $change)
{
    $lock = @fopen(kit_dir('antispam/kit.lock'), 'c');
    if ($lock !== false) {
        flock($lock, LOCK_EX);
    }
    $ips = kit_read_list('iplist.txt');
    $counts = kit_read_list('ipcount.txt');
    $blocked = kit_read_list('blockiplist.txt');
    $ends = kit_read_list('blockiptime.txt');
    // Expired blocks go first, so every caller sees only live ones.
    $now = time();
    $liveBlocked = [];
    $liveEnds = [];
    foreach ($blocked as $i => $ip) {
        if ((int)($ends[$i] ?? 0) > $now) {
            $liveBlocked[] = $ip;
            $liveEnds[] = (string)(int)$ends[$i];
        }
    }
    $before = [$ips, $counts, $blocked, $ends];
    $result = $change($ips, $counts, $liveBlocked, $liveEnds, $now);
    if ($before !== [$ips, $counts, $liveBlocked, $liveEnds]) {
        kit_write_list('iplist.txt', $ips);
        kit_write_list('ipcount.txt', $counts);
        kit_write_list('blockiplist.txt', $liveBlocked);
        kit_write_list('blockiptime.txt', $liveEnds);
    }
    if ($lock !== false) {
        flock($lock, LOCK_UN);
        fclose($lock);
    }
    return $result;
}

function kit_is_blocked(string $client): bool
{
    return kit_with_lists(function (&$ips, &$counts, &$blocked, &$ends, $now) use ($client) {
        return in_array($client, $blocked, true);
    });
}

// Counts one failure of $client; returns true when the client is blocked from now on.
function kit_count_failure(string $client): bool
{
    $c = kit_config();
    return kit_with_lists(function (&$ips, &$counts, &$blocked, &$ends, $now) use ($client, $c) {
        if (in_array($client, $blocked, true)) {
            return true;
        }
        $i = array_search($client, $ips, true);
        [$failures, $since] = $i === false ? [0, $now] : array_map('intval', explode(' ', $counts[$i] ?? '0 0') + [0, 0]);
        if ($now - $since > $c['failure_window']) {
            [$failures, $since] = [0, $now];
        }
        $failures++;
        if ($i !== false) {
            array_splice($ips, $i, 1);
            array_splice($counts, $i, 1);
        }
        if ($failures >= $c['max_failures']) {
            $blocked[] = $client;
            $ends[] = (string)($now + $c['block_seconds']);
            return true;
        }
        $ips[] = $client;
        $counts[] = $failures . ' ' . $since;
        return false;
    });
}

function kit_clear_failures(string $client): void
{
    kit_with_lists(function (&$ips, &$counts, &$blocked, &$ends, $now) use ($client) {
        $i = array_search($client, $ips, true);
        if ($i !== false) {
            array_splice($ips, $i, 1);
            array_splice($counts, $i, 1);
        }
    });
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

function kit_show_popup(): void
{
    $n = kit_uniq_id($_GET['UniqId'] ?? null);
    if ($n === null || kit_lookup($n) === null) {
        kit_page(404, '<p>잘못된 요청입니다.</p>' . kit_close_button());
        return;
    }
    $client = kit_client();
    if (kit_is_blocked($client)) {
        kit_blocked_page();
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
    if (kit_is_blocked($client)) {
        kit_blocked_page();
        return;
    }
    $record = kit_claim_record($_POST['token'] ?? null);
    if ($record === null || ($record['client'] ?? '') !== $client) {
        kit_count_failure($client)
            ? kit_blocked_page()
            : kit_page(403, '<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>' . kit_close_button());
        return;
    }
    $n = (int)($record['uniq'] ?? 0);
    if (time() - (int)($record['time'] ?? 0) > kit_config()['token_seconds']) {
        kit_count_failure($client)
            ? kit_blocked_page()
            : kit_page(403, '<p>입력 시간이 지났습니다.</p>' . kit_retry_link($n) . kit_close_button());
        return;
    }
    $typed = $_POST['code'] ?? '';
    if (!is_string($typed) || !hash_equals((string)($record['code'] ?? ''), trim($typed))) {
        kit_count_failure($client)
            ? kit_blocked_page()
            : kit_page(403, '<p>입력한 숫자가 맞지 않습니다.</p>' . kit_retry_link($n) . kit_close_button());
        return;
    }
    kit_clear_failures($client);
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
