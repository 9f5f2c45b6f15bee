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
# client keys, numbers and times only (a client key is an IPv4 address or an IPv6 /64, see
# kit_client):
#   <sha256("record:" token)>.pl  one pending code. The name cannot be found without the token
#                     (32 random hex digits, known only to the visitor's form), and the file
#                     holds only a seal of the code, sha256("code:" token ":" code), the time,
#                     the client key, N and the image's name: useless without the token.
#   <random>.pl       a record or list being written or taken (lives for a moment)
#   iplist.txt        clients with recent failures, one client key a line
#   ipcount.txt       same line: "<failures> <time of the first failure>"
#   blockiplist.txt   blocked clients, one client key a line
#   blockiptime.txt   same line: the time the block ends
#   revealed.txt      "<time> <client> <N>": the first reveal of N to that client within a day
#   popups.txt        "<time> <client>": each pop-up drawn within the hour
#   kit.lock          the lock all six lists are read and written under, together
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
    # 0 turns any of these four off.
    reveal_per_hour        => 10,     # different numbers one client may see in an hour ...
    reveal_per_day         => 30,     # ... and in a day
    reveal_per_day_network => 100,    # (client, number) reveals of one network in a day
    popup_per_hour         => 30,     # code images one client may have drawn in an hour
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

# The eight 16-bit groups of an IPv6 address, or () when it is none. Parsed here rather than
# by Socket's inet_pton, which not every Windows perl implements.
sub kit_ipv6_groups {
    my ($ip) = @_;
    return () if length($ip) > 64;
    $ip =~ s/%[0-9A-Za-z._~-]+\z//;    # a zone ("fe80::1%eth0") names our interface, not the client
    # A dotted IPv4 tail is the last two groups.
    if ($ip =~ /:([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\z/) {
        my @octets = ($1, $2, $3, $4);
        return () if grep { $_ > 255 } @octets;
        substr($ip, $-[0] + 1) = sprintf('%x:%x', $octets[0] << 8 | $octets[1], $octets[2] << 8 | $octets[3]);
    }
    return () unless $ip =~ /\A[0-9A-Fa-f:]+\z/;
    my @parts = split /::/, $ip, -1;
    return () if @parts > 2;
    my @head = split /:/, $parts[0], -1;
    my @tail = @parts == 2 ? split(/:/, $parts[1], -1) : ();
    return () if grep { !/\A[0-9A-Fa-f]{1,4}\z/ } @head, @tail;
    my $zeros = 8 - @head - @tail;
    return () if @parts == 2 ? $zeros < 1 : $zeros != 0;
    return map { hex } @head, ('0') x (@parts == 2 ? $zeros : 0), @tail;
}

# The client as every list knows it: the connection's address only (any header is the
# client's to make up). IPv4 as it is; IPv6 by its /64, what one subscriber usually gets, so
# that a client cannot start afresh with each of its addresses; "unknown" when unparsable.
sub kit_client {
    my $ip = $ENV{REMOTE_ADDR} // '';
    my @octets = $ip =~ /\A([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3})\z/;
    return join('.', map { $_ + 0 } @octets) if @octets && !grep { $_ > 255 } @octets;
    my @g = kit_ipv6_groups($ip);
    return 'unknown' unless @g;
    # ::ffff:a.b.c.d is an IPv4 client reaching a dual-stack socket.
    return join('.', $g[6] >> 8, $g[6] & 255, $g[7] >> 8, $g[7] & 255) if "@g[0 .. 5]" eq '0 0 0 0 0 65535';
    return sprintf('%x:%x:%x:%x::/64', @g[0 .. 3]);
}

# A client key's network, the share of one provider's customer: IPv4 /24, IPv6 /48.
sub kit_network {
    my ($client) = @_;
    return "$1.0/24" if $client =~ /\A([0-9]+\.[0-9]+\.[0-9]+)\.[0-9]+\z/;
    return "$1::/48" if $client =~ m{\A([0-9a-f]+:[0-9a-f]+:[0-9a-f]+):[0-9a-f]+::/64\z};
    return $client;    # "unknown" is a network of its own
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

# ---- the client state: failures, blocks, reveals and pop-ups, all six lists under one lock ----

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

my %KIT_LISTS = (ips => 'iplist.txt', counts => 'ipcount.txt', blocked => 'blockiplist.txt',
                 ends => 'blockiptime.txt', revealed => 'revealed.txt', popups => 'popups.txt');

# Runs $change on the state (a hash of the lists' array refs and now) under an exclusive lock,
# writes back the lists it changed and returns what $change returned. Deciding and recording in
# one step is what keeps parallel requests from each finding room for one more.
sub kit_with_state {
    my ($change) = @_;
    my $lock;
    flock($lock, LOCK_EX) if open($lock, '>>', kit_path('antispam', 'kit.lock'));
    my $now = time;
    my %state = (now => $now);
    my %before;
    for my $key (keys %KIT_LISTS) {
        $state{$key} = [kit_read_list($KIT_LISTS{$key})];
        $before{$key} = join("\n", @{$state{$key}});
    }
    # What has expired goes first, so every caller sees only live lines.
    my (@blocked, @ends);
    for my $i (0 .. $#{$state{blocked}}) {
        my $end = ($state{ends}[$i] // '') =~ /\A([0-9]+)\z/ ? $1 + 0 : 0;
        next unless $end > $now;
        push @blocked, $state{blocked}[$i];
        push @ends, "$end";
    }
    @state{'blocked', 'ends'} = (\@blocked, \@ends);
    $state{revealed} = [grep { /\A([0-9]{1,12}) \S+ [0-9]{1,9}\z/ && $1 > $now - 86400 } @{$state{revealed}}];
    $state{popups} = [grep { /\A([0-9]{1,12}) \S+\z/ && $1 > $now - 3600 } @{$state{popups}}];
    my @result = $change->(\%state);
    for my $key (sort keys %KIT_LISTS) {
        kit_write_list($KIT_LISTS{$key}, @{$state{$key}}) if join("\n", @{$state{$key}}) ne $before{$key};
    }
    close $lock if $lock;
    return @result;
}

sub kit_index_of {
    my ($client, $list) = @_;
    for my $i (0 .. $#$list) { return $i if $list->[$i] eq $client }
    return -1;
}

sub kit_is_blocked { my ($state, $client) = @_; return kit_index_of($client, $state->{blocked}) >= 0 }

# Counts one failure of $client; returns true when the client is blocked from now on.
sub kit_count_failure {
    my ($state, $client) = @_;
    my $c = kit_config();
    my ($ips, $counts, $now) = @$state{'ips', 'counts', 'now'};
    return 1 if kit_is_blocked($state, $client);
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
        push @{$state->{blocked}}, $client;
        push @{$state->{ends}}, $now + $c->{block_seconds};
        return 1;
    }
    push @$ips, $client;
    push @$counts, "$failures $since";
    return 0;
}

# Seconds until each full limit ([times, limit, window]) has room again, the longest of them;
# 0 when none is full. A limit of 0 is none.
sub kit_wait {
    my ($now, @limits) = @_;
    my $wait = 0;
    for my $limit (@limits) {
        my ($times, $most, $window) = @$limit;
        next unless $most > 0 && @$times >= $most;
        my @sorted = sort { $a <=> $b } @$times;
        my $free = $sorted[@sorted - $most] + $window - $now;
        $free = 1 if $free < 1;
        $wait = $free if $free > $wait;
    }
    return $wait;
}

sub kit_popup_wait {
    my ($state, $client) = @_;
    my @times = map { my ($t, $who) = split / /; $who eq $client ? $t : () } @{$state->{popups}};
    return kit_wait($state->{now}, [\@times, kit_config()->{popup_per_hour}, 3600]);
}

sub kit_has_revealed {
    my ($state, $client, $n) = @_;
    for (@{$state->{revealed}}) {
        my (undef, $who, $number) = split / /;
        return 1 if $who eq $client && $number == $n;
    }
    return 0;
}

# Seconds until $client may see N; 0 now. A number the client has seen costs nothing again.
sub kit_reveal_wait {
    my ($state, $client, $n) = @_;
    return 0 if kit_has_revealed($state, $client, $n);
    my $now = $state->{now};
    my $network = kit_network($client);
    my (@hour, @day, @shared);
    for (@{$state->{revealed}}) {
        my ($t, $who) = split / /;
        push @shared, $t if kit_network($who) eq $network;
        next unless $who eq $client;
        push @day, $t;
        push @hour, $t if $t > $now - 3600;
    }
    my $c = kit_config();
    return kit_wait($now, [\@hour, $c->{reveal_per_hour}, 3600], [\@day, $c->{reveal_per_day}, 86400],
        [\@shared, $c->{reveal_per_day_network}, 86400]);
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
                   429 => 'Too Many Requests', 500 => 'Internal Server Error');

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

# "1분", "1시간", "1시간 24분": whole minutes, rounded up.
sub kit_wait_text {
    my ($seconds) = @_;
    my $m = int(($seconds + 59) / 60);
    $m = 1 if $m < 1;
    return "${m}분" if $m < 60;
    my ($h, $r) = (int($m / 60), $m % 60);
    return $r ? "${h}시간 ${r}분" : "${h}시간";
}

sub kit_quota_page {
    my ($popups, $wait) = @_;
    $wait = 1 if $wait < 1;
    kit_page(429, ($popups ? '<p>확인 창을 너무 자주 열었습니다.</p>'
                           : '<p>지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다.</p>')
        . '<p>' . kit_wait_text($wait) . ' 뒤에 다시 시도해 주십시오.</p>' . kit_close_button(), "Retry-After: $wait");
}

sub kit_show_popup {
    my $n = kit_uniq_id(kit_decode_form($ENV{QUERY_STRING})->{UniqId});
    if (!defined $n || !defined kit_lookup($n)) {
        return kit_page(404, '<p>잘못된 요청입니다.</p>' . kit_close_button());
    }
    my $client = kit_client();
    # Refused or counted before anything is drawn: a refused pop-up costs the client nothing.
    my ($outcome, $wait) = kit_with_state(sub {
        my ($state) = @_;
        return 'blocked' if kit_is_blocked($state, $client);
        my $wait = kit_popup_wait($state, $client);
        return ('popups', $wait) if $wait;
        $wait = kit_reveal_wait($state, $client, $n);
        return ('reveals', $wait) if $wait;
        push @{$state->{popups}}, "$state->{now} $client";
        return 'open';
    });
    return kit_blocked_page() if $outcome eq 'blocked';
    return kit_quota_page($outcome eq 'popups', $wait) if $outcome ne 'open';
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
    my $form = kit_post_form();
    my $token = $form->{token};
    my $typed = $form->{code} // '';
    $typed =~ s/\A\s+|\s+\z//g;
    # The block check, the claim, the failure count and the quota in one step: no two parallel
    # answers see the same count.
    my ($outcome, $n, $wait) = kit_with_state(sub {
        my ($state) = @_;
        return 'blocked' if kit_is_blocked($state, $client);
        my $record = kit_claim_record($token);
        my ($outcome, $n) = ('missing', 0);
        if ($record && ($record->{client} // '') eq $client && ($record->{uniq} // '') =~ /\A([1-9][0-9]{0,8})\z/) {
            $n = $1 + 0;
            my $time = ($record->{time} // '') =~ /\A([0-9]+)\z/ ? $1 + 0 : 0;
            $outcome = $state->{now} - $time > kit_config()->{token_seconds} ? 'expired'
                : $typed !~ /\A[0-9]{4}\z/ || !kit_same(kit_seal($token, $typed), $record->{seal}) ? 'wrong'
                : 'right';
        }
        if ($outcome ne 'right') {
            return kit_count_failure($state, $client) ? ('blocked') : ($outcome, $n);
        }
        # Failures expire with their window only: a right code does not wipe them.
        return ('right', $n) if kit_has_revealed($state, $client, $n);
        my $wait = kit_reveal_wait($state, $client, $n);
        return ('quota', $n, $wait) if $wait;
        push @{$state->{revealed}}, "$state->{now} $client $n";
        return ('right', $n);
    });
    return kit_blocked_page() if $outcome eq 'blocked';
    return kit_quota_page(0, $wait) if $outcome eq 'quota';
    if ($outcome eq 'missing') {
        return kit_page(403, '<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>' . kit_close_button());
    }
    if ($outcome eq 'expired') {
        return kit_page(403, '<p>입력 시간이 지났습니다.</p>' . kit_retry_link($n) . kit_close_button());
    }
    if ($outcome eq 'wrong') {
        return kit_page(403, '<p>입력한 숫자가 맞지 않습니다.</p>' . kit_retry_link($n) . kit_close_button());
    }
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
