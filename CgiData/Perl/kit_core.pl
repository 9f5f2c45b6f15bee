# SPDX-License-Identifier: MIT
# The one core of both PERL kits' antispamin.pl: the build puts it in place of the line holding
# @KIT_CORE@ in each kit's antispamin.pl.in (cmake/assemble_cgidata.cmake). Each kit adds
# kit_random_bytes() and kit_draw_code().

# ---- kit core: identical in every PERL kit's antispamin.pl ----
#
# A CGI server serves every file it does not run as plain text, so nothing here may rely on a
# file printing nothing. The kit folder must run .pl files as CGI (emaildata.pl, comment lines
# only, depends on it: run, it prints nothing and the server answers with an error), and every
# file the scripts keep in antispam/ is either a .pl file of that kind or a list that holds
# client addresses only:
#   <sha256("record:" token)>.pl  one pending code. The name cannot be found without the token
#                     (32 random hex digits, known only to the visitor's form), and the file
#                     holds only a seal of the code, sha256("code:" token ":" code), the time,
#                     the client's address, N and the image's name: useless without the token.
#   <random>.pl       a record or list being written or taken (lives for a moment)
#   iplist.txt        clients with recent failures, one address a line
#   ipcount.txt       same line: "<failures> <time of the first failure>"
#   blockiplist.txt   blocked clients, one address a line
#   blockiptime.txt   same line: the time the block ends
#   kit.ini           optional overrides of the defaults ("key = seconds or count" lines)
# Images live in antispambmp/ under their own random names and go with their record. Both
# folders get an index.html so that no listing names a pending file.
use Digest::SHA qw(sha256_hex);
use Encode qw(decode encode);
use Fcntl qw(:flock O_WRONLY O_CREAT O_EXCL);
use File::Basename qw(dirname);
use File::Spec;

our $KIT_ANSWER;
my %KIT_DEFAULTS = (
    token_seconds  => 180,     # a code must be typed within three minutes
    max_failures   => 5,       # this many failures ...
    failure_window => 600,     # ... within ten minutes ...
    block_seconds  => 1800,    # ... block the client for half an hour
);
my $KIT_DIR = dirname(File::Spec->rel2abs(__FILE__));
my $KIT_MAX_POST = 4096;

sub kit_path { return File::Spec->catfile($KIT_DIR, @_) }

my $kit_config;
sub kit_config {
    return $kit_config if $kit_config;
    my %config = %KIT_DEFAULTS;
    if (open(my $f, '<', kit_path('antispam', 'kit.ini'))) {
        while (my $line = <$f>) {
            next unless $line =~ /^\s*(\w+)\s*=\s*([0-9]{1,9})\s*$/;
            $config{$1} = $2 + 0 if exists $KIT_DEFAULTS{$1};
        }
        close $f;
    }
    return $kit_config = \%config;
}

sub kit_client {
    my $ip = $ENV{REMOTE_ADDR} // '';
    return $ip =~ /\A(?:[0-9]{1,3}(?:\.[0-9]{1,3}){3}|[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*)\z/ && length($ip) <= 45
        ? $ip : 'unknown';
}

sub kit_uniq_id {
    my ($raw) = @_;
    return defined $raw && $raw =~ /\A[1-9][0-9]{0,8}\z/ ? $raw + 0 : undef;
}

# The address of line N of the data file ("#N#address#PageCode"), or undef. The page code is
# digits only, so the last "#" ends the address, which may itself hold "#".
sub kit_lookup {
    my ($n) = @_;
    open(my $f, '<:raw', kit_path('emaildata.pl')) or return undef;
    my $prefix = "#$n#";
    my $found;
    while (my $line = <$f>) {
        next unless substr($line, 0, length $prefix) eq $prefix;
        my $rest = substr($line, length $prefix);
        $rest =~ s/[\r\n]+\z//;
        $found = $1 if $rest =~ /\A(.+)#[0-9]+\z/s;
        last;
    }
    close $f;
    return $found;
}

sub kit_random_name { return unpack('H*', kit_random_bytes(16)) }

sub kit_random_code {
    while (1) {
        my $v = unpack('n', kit_random_bytes(2));
        return sprintf('%04d', $v % 10000) if $v < 60000;    # 60000 keeps the digits uniform
    }
}

# Same length, same bytes; the time taken does not depend on where they differ.
sub kit_same {
    my ($x, $y) = @_;
    return 0 unless defined $x && defined $y && length($x) == length($y);
    my $diff = 0;
    $diff |= ord(substr($x, $_, 1)) ^ ord(substr($y, $_, 1)) for 0 .. length($x) - 1;
    return $diff == 0;
}

# Writes bytes under a fresh random name in antispam/ and returns that path, or undef.
sub kit_write_temp {
    my ($bytes) = @_;
    my $tmp = kit_path('antispam', kit_random_name() . '.pl');
    sysopen(my $f, $tmp, O_WRONLY | O_CREAT | O_EXCL, 0600) or return undef;
    binmode $f;
    my $ok = print {$f} $bytes;
    $ok = close($f) && $ok;
    unlink $tmp unless $ok;
    return $ok ? $tmp : undef;
}

# ---- failure counting and blocking, all four lists under one lock ----

sub kit_read_list {
    my ($name) = @_;
    open(my $f, '<', kit_path('antispam', $name)) or return ();
    my @lines = grep { $_ ne '' } map { s/[\r\n]+\z//r } <$f>;
    close $f;
    return @lines;
}

sub kit_write_list {
    my ($name, @lines) = @_;
    my $tmp = kit_write_temp(@lines ? join("\n", @lines) . "\n" : '');
    rename($tmp, kit_path('antispam', $name)) or unlink($tmp) if defined $tmp;
}

# Runs $change on the lists (array refs) under an exclusive lock and writes them back.
sub kit_with_lists {
    my ($change) = @_;
    my $lock;
    flock($lock, LOCK_EX) if open($lock, '>>', kit_path('antispam', 'kit.lock'));
    my @ips = kit_read_list('iplist.txt');
    my @counts = kit_read_list('ipcount.txt');
    my @blocked = kit_read_list('blockiplist.txt');
    my @ends = kit_read_list('blockiptime.txt');
    # Expired blocks go first, so every caller sees only live ones.
    my $now = time;
    my (@live_blocked, @live_ends);
    for my $i (0 .. $#blocked) {
        my $end = ($ends[$i] // '') =~ /\A([0-9]+)\z/ ? $1 + 0 : 0;
        next unless $end > $now;
        push @live_blocked, $blocked[$i];
        push @live_ends, "$end";
    }
    my $state = sub { join("\0", map { join("\n", @$_) } @_) };
    my $before = $state->(\@ips, \@counts, \@blocked, \@ends);
    my $result = $change->(\@ips, \@counts, \@live_blocked, \@live_ends, $now);
    if ($before ne $state->(\@ips, \@counts, \@live_blocked, \@live_ends)) {
        kit_write_list('iplist.txt', @ips);
        kit_write_list('ipcount.txt', @counts);
        kit_write_list('blockiplist.txt', @live_blocked);
        kit_write_list('blockiptime.txt', @live_ends);
    }
    close $lock if $lock;
    return $result;
}

sub kit_index_of {
    my ($client, $list) = @_;
    for my $i (0 .. $#$list) { return $i if $list->[$i] eq $client }
    return -1;
}

sub kit_is_blocked {
    my ($client) = @_;
    return kit_with_lists(sub { my ($ips, $counts, $blocked) = @_; kit_index_of($client, $blocked) >= 0 });
}

# Counts one failure of $client; returns true when the client is blocked from now on.
sub kit_count_failure {
    my ($client) = @_;
    my $c = kit_config();
    return kit_with_lists(sub {
        my ($ips, $counts, $blocked, $ends, $now) = @_;
        return 1 if kit_index_of($client, $blocked) >= 0;
        my $i = kit_index_of($client, $ips);
        my ($failures, $since) = (0, $now);
        if ($i >= 0) {
            ($failures, $since) = map { /\A[0-9]+\z/ ? $_ + 0 : 0 } (split(' ', $counts->[$i] // ''), 0, 0)[0, 1];
            splice(@$ips, $i, 1);
            splice(@$counts, $i, 1) if $i <= $#$counts;
        }
        ($failures, $since) = (0, $now) if $now - $since > $c->{failure_window};
        $failures++;
        if ($failures >= $c->{max_failures}) {
            push @$blocked, $client;
            push @$ends, $now + $c->{block_seconds};
            return 1;
        }
        push @$ips, $client;
        push @$counts, "$failures $since";
        return 0;
    });
}

sub kit_clear_failures {
    my ($client) = @_;
    kit_with_lists(sub {
        my ($ips, $counts) = @_;
        my $i = kit_index_of($client, $ips);
        if ($i >= 0) {
            splice(@$ips, $i, 1);
            splice(@$counts, $i, 1) if $i <= $#$counts;
        }
        return 0;
    });
}

# ---- pending codes ----

# Deletes records and images older than a token's lifetime, and leftovers of interrupted writes.
sub kit_purge_stale {
    my $limit = time - kit_config()->{token_seconds} - 60;
    for my $folder (['antispam', qr/\A[0-9a-f]{32}(?:[0-9a-f]{32})?\.pl\z/], ['antispambmp', qr/\A[0-9a-f]{32}\.png\z/]) {
        my ($sub, $pattern) = @$folder;
        opendir(my $d, kit_path($sub)) or next;
        for my $name (grep { $_ =~ $pattern } readdir $d) {
            my $file = kit_path($sub, $name);
            my $mtime = (stat $file)[9];
            unlink $file if defined $mtime && $mtime < $limit;
        }
        closedir $d;
    }
}

sub kit_record_path { return kit_path('antispam', sha256_hex("record:$_[0]") . '.pl') }

sub kit_seal { return sha256_hex("code:$_[0]:$_[1]") }

sub kit_store_record {
    my ($token, $record) = @_;
    my $tmp = kit_write_temp(join('', map { "$_=$record->{$_}\n" } sort keys %$record));
    return 0 unless defined $tmp;
    return 1 if rename($tmp, kit_record_path($token));
    unlink $tmp;
    return 0;
}

# Takes the record of $token away so that no second request can use it; undef if there is none.
sub kit_claim_record {
    my ($token) = @_;
    return undef unless defined $token && $token =~ /\A[0-9a-f]{32}\z/;
    my $claimed = kit_path('antispam', kit_random_name() . '.pl');
    rename(kit_record_path($token), $claimed) or return undef;
    my %record;
    if (open(my $f, '<', $claimed)) {
        while (my $line = <$f>) {
            $record{$1} = $2 if $line =~ /\A(\w+)=([^\r\n]*)/;
        }
        close $f;
    }
    unlink $claimed;
    unlink kit_path('antispambmp', "$record{image}.png") if ($record{image} // '') =~ /\A[0-9a-f]{32}\z/;
    return %record ? \%record : undef;
}

# ---- requests and pages ----

sub kit_decode_form {
    my ($text) = @_;
    my %form;
    for my $pair (split /[&;]/, $text // '') {
        my ($k, $v) = split /=/, $pair, 2;
        next unless defined $k;
        for ($k, $v) {
            next unless defined;
            tr/+/ /;
            s/%([0-9A-Fa-f]{2})/chr(hex $1)/ge;
        }
        $form{$k} = $v // '' unless exists $form{$k};
    }
    return \%form;
}

sub kit_post_form {
    my $length = $ENV{CONTENT_LENGTH} // '';
    return {} unless $length =~ /\A[0-9]{1,9}\z/ && $length <= $KIT_MAX_POST;
    binmode STDIN;
    my $body = '';
    while (length($body) < $length) {
        my $got = read(STDIN, $body, $length - length($body), length $body);
        last unless $got;
    }
    return kit_decode_form($body);
}

sub kit_h {
    my ($text) = @_;
    $text =~ s/&/&amp;/g;
    $text =~ s/</&lt;/g;
    $text =~ s/>/&gt;/g;
    $text =~ s/"/&quot;/g;
    $text =~ s/'/&#039;/g;
    return $text;
}

# Addresses are page bytes: UTF-8 when the page was, CP949 (the converter's default) otherwise.
sub kit_utf8 {
    my ($bytes) = @_;
    my $copy = $bytes;
    return $bytes if eval { decode('UTF-8', $copy, Encode::FB_CROAK); 1 };
    my $text = eval { encode('UTF-8', decode('cp949', $bytes)) };
    return defined $text ? $text : $bytes;
}

my %KIT_REASONS = (200 => 'OK', 403 => 'Forbidden', 404 => 'Not Found', 405 => 'Method Not Allowed',
                   500 => 'Internal Server Error');

sub kit_page {
    my ($status, $body, @headers) = @_;
    binmode STDOUT;
    print "Status: $status $KIT_REASONS{$status}\r\n", map({ "$_\r\n" } @headers),
        "Content-Type: text/html; charset=UTF-8\r\n", "Cache-Control: no-store\r\n",
        "X-Robots-Tag: noindex, nofollow\r\n\r\n",
        "<!doctype html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\">",
        "<meta name=\"robots\" content=\"noindex,nofollow\"><title>이메일 주소 확인</title>",
        "<style>body{margin:8px;font:12px sans-serif;text-align:center;color:#222}",
        "img{border:1px solid #999;margin:6px 0}input[type=text]{width:60px;font-size:16px;text-align:center}",
        "p{margin:6px 0}a{word-break:break-all}</style></head><body>\n",
        $body, "\n</body></html>\n";
}

sub kit_close_button { return '<p><button type="button" onclick="window.close()">창 닫기</button></p>' }

sub kit_retry_link { return '<p><a href="antispamin.pl?UniqId=' . $_[0] . '">새 코드 받기</a></p>' }

sub kit_blocked_page {
    kit_page(403, '<p>확인에 여러 번 실패하여 잠시 차단되었습니다.</p><p>나중에 다시 시도해 주십시오.</p>' . kit_close_button());
}

sub kit_show_popup {
    my $n = kit_uniq_id(kit_decode_form($ENV{QUERY_STRING})->{UniqId});
    if (!defined $n || !defined kit_lookup($n)) {
        return kit_page(404, '<p>잘못된 요청입니다.</p>' . kit_close_button());
    }
    my $client = kit_client();
    return kit_blocked_page() if kit_is_blocked($client);
    kit_purge_stale();
    for my $sub ('antispam', 'antispambmp') {
        # No listing of pending files where the server lists folders.
        my $index = kit_path($sub, 'index.html');
        if (!-f $index && open(my $f, '>', $index)) {
            print {$f} "<!doctype html><title></title>\n";
            close $f;
        }
    }
    my $code = kit_random_code();
    my $token = kit_random_name();
    my $image = kit_random_name();
    my $png = kit_path('antispambmp', "$image.png");
    if (!kit_draw_code($code, $png)) {
        unlink $png;
        return kit_page(500, '<p>확인 이미지를 만들 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>' . kit_close_button());
    }
    my %record = (seal => kit_seal($token, $code), time => time, client => $client, uniq => $n, image => $image);
    if (!kit_store_record($token, \%record)) {
        unlink $png;
        return kit_page(500, '<p>확인 코드를 저장할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>' . kit_close_button());
    }
    kit_page(200,
        '<p>이메일 주소를 보시려면<br>그림의 숫자 네 자리를 입력하세요.</p>'
        . '<img src="antispambmp/' . $image . '.png" alt="확인 코드">'
        . '<form method="post" action="antispamout.pl">'
        . '<input type="hidden" name="token" value="' . $token . '">'
        . '<p><input type="text" name="code" maxlength="4" inputmode="numeric" autocomplete="off" autofocus> '
        . '<input type="submit" value="확인"></p></form>'
        . '<p>' . int(kit_config()->{token_seconds} / 60) . '분 안에 입력해 주십시오.</p>');
}

sub kit_show_answer {
    if (($ENV{REQUEST_METHOD} // '') ne 'POST') {
        return kit_page(405, '<p>잘못된 요청입니다.</p>' . kit_close_button(), 'Allow: POST');
    }
    my $client = kit_client();
    return kit_blocked_page() if kit_is_blocked($client);
    my $form = kit_post_form();
    my $token = $form->{token};
    my $record = kit_claim_record($token);
    if (!$record || ($record->{client} // '') ne $client) {
        return kit_count_failure($client) ? kit_blocked_page()
            : kit_page(403, '<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>' . kit_close_button());
    }
    my $n = ($record->{uniq} // '') =~ /\A([0-9]{1,9})\z/ ? $1 + 0 : 0;
    my $time = ($record->{time} // '') =~ /\A([0-9]+)\z/ ? $1 + 0 : 0;
    if (time - $time > kit_config()->{token_seconds}) {
        return kit_count_failure($client) ? kit_blocked_page()
            : kit_page(403, '<p>입력 시간이 지났습니다.</p>' . kit_retry_link($n) . kit_close_button());
    }
    my $typed = $form->{code} // '';
    $typed =~ s/\A\s+|\s+\z//g;
    if ($typed !~ /\A[0-9]{4}\z/ || !kit_same(kit_seal($token, $typed), $record->{seal})) {
        return kit_count_failure($client) ? kit_blocked_page()
            : kit_page(403, '<p>입력한 숫자가 맞지 않습니다.</p>' . kit_retry_link($n) . kit_close_button());
    }
    kit_clear_failures($client);
    my $address = kit_lookup($n);
    return kit_page(404, '<p>주소를 찾을 수 없습니다.</p>' . kit_close_button()) unless defined $address;
    my $shown = kit_h(kit_utf8($address));
    kit_page(200, '<p>이메일 주소입니다.</p><p><a id="address" href="mailto:' . $shown . '">' . $shown . '</a></p>'
        . kit_close_button());
}

sub kit_main {
    chdir $KIT_DIR;
    # A failing random source ends the request here, before any page is printed.
    eval { $KIT_ANSWER ? kit_show_answer() : kit_show_popup(); 1 }
        or kit_page(500, '<p>요청을 처리할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>' . kit_close_button());
}
# ---- end of kit core ----
