<%-- SPDX-License-Identifier: MIT --%><%@ page contentType="text/html; charset=UTF-8" pageEncoding="UTF-8"
    trimDirectiveWhitespaces="true" session="false"
    import="java.io.*,java.nio.charset.*,java.nio.file.*,java.security.*,java.util.*,java.util.regex.*" %><%!
    // The verification pop-up (antispamin.jsp?UniqId=N) and, through antispamout.jsp, its answer.
    //
    // The kit folder is a web application of its own (its WEB-INF holds the image classes), so
    // nothing under WEB-INF/ is ever served. Files the kit keeps:
    //   WEB-INF/antispam/<sha256("record:" token)>.txt  one pending code: a seal of the code,
    //                     sha256("code:" token ":" code), the time, the client's key, N and
    //                     the image's name; useless without the token even if it were served
    //   WEB-INF/antispam/revealed.txt  "<time> <client> <N>" per number a client revealed, for a day
    //   WEB-INF/antispam/popups.txt    "<time> <client>" per pop-up drawn, for an hour
    //   antispam/iplist.txt       clients with recent failures, one client key a line
    //   antispam/ipcount.txt      same line: "<failures> <time of the first failure>"
    //   antispam/blockiplist.txt  blocked clients, one client key a line
    //   antispam/blockiptime.txt  same line: the time the block ends
    //   antispam/kit.ini          optional overrides of the defaults ("key = number" lines)
    // A client is the connection's address only (no header is trusted): its key is the IPv4
    // address or the IPv6 /64; quotas per network count the IPv4 /24 or the IPv6 /48.
    // Images live in antispambmp/ under random names and go with their record.
    // emaildata.jsp is a scriptlet of "//" comment lines: run, it prints nothing; it is read
    // here as bytes from the application's real path.

    static final Object KIT_LOCK = new Object();
    static final SecureRandom KIT_RANDOM = new SecureRandom();
    static final int KIT_MAX_POST = 4096;
    static final String[][] KIT_DEFAULTS = {
        {"token_seconds", "180"},   // a code must be typed within three minutes
        {"max_failures", "5"},      // this many failures ...
        {"failure_window", "600"},  // ... within ten minutes ...
        {"block_seconds", "1800"},  // ... block the client for half an hour
        // Reveal quotas against harvesting through solved codes; 0 lifts a limit.
        {"reveal_per_hour", "10"},          // different numbers one client may reveal in an hour ...
        {"reveal_per_day", "30"},           // ... and in a day
        {"reveal_per_day_network", "100"},  // reveals of one whole network in a day
        {"popup_per_hour", "30"},           // code images one client may have drawn in an hour
    };
    static final Pattern KIT_HEX32 = Pattern.compile("[0-9a-f]{32}");
    static final Pattern KIT_IPV4 = Pattern.compile("([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})");

    static long now() { return System.currentTimeMillis() / 1000; }

    static Map<String, Long> kitConfig(File kit) {
        Map<String, Long> c = new HashMap<>();
        for (String[] d : KIT_DEFAULTS) c.put(d[0], Long.parseLong(d[1]));
        for (String line : readLines(new File(kit, "antispam/kit.ini"))) {
            Matcher m = Pattern.compile("\\s*(\\w+)\\s*=\\s*([0-9]{1,9})\\s*").matcher(line);
            if (m.matches() && c.containsKey(m.group(1))) c.put(m.group(1), Long.parseLong(m.group(2)));
        }
        return c;
    }

    static List<String> readLines(File f) {
        List<String> lines = new ArrayList<>();
        try {
            for (String l : new String(Files.readAllBytes(f.toPath()), StandardCharsets.ISO_8859_1).split("\r?\n"))
                if (!l.isEmpty()) lines.add(l);
        } catch (IOException e) {
            // a missing list is an empty one
        }
        return lines;
    }

    static String hex(byte[] b) {
        StringBuilder s = new StringBuilder();
        for (byte x : b) s.append(String.format("%02x", x & 0xff));
        return s.toString();
    }

    static String randomName() {
        byte[] b = new byte[16];
        KIT_RANDOM.nextBytes(b);
        return hex(b);
    }

    static String randomCode() {
        return String.format("%04d", KIT_RANDOM.nextInt(10000));
    }

    static String sha256(String text) {
        try {
            return hex(MessageDigest.getInstance("SHA-256").digest(text.getBytes(StandardCharsets.UTF_8)));
        } catch (NoSuchAlgorithmException e) {
            throw new IllegalStateException(e);
        }
    }

    // Writes beside the target and renames, so no reader sees half a file.
    static boolean writeFile(File target, String text) {
        File tmp = new File(target.getParentFile(), randomName() + ".part");
        try {
            Files.write(tmp.toPath(), text.getBytes(StandardCharsets.ISO_8859_1));
            Files.move(tmp.toPath(), target.toPath(), StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
            return true;
        } catch (IOException e) {
            tmp.delete();
            return false;
        }
    }

    static String client(HttpServletRequest request) {
        return clientKey(request.getRemoteAddr());
    }

    // IPv4 as is; IPv6 as its /64 ("2001:db8:0:1::/64"), as one subscriber usually holds a whole
    // /64; an IPv4-mapped address is its IPv4. Only a colon literal starting with a hex digit or a
    // colon reaches InetAddress, which parses such a string and never looks a name up.
    static String clientKey(String ip) {
        if (ip == null) return "unknown";
        String literal = ip.replaceFirst("%.*", "");
        Matcher v4 = KIT_IPV4.matcher(literal);
        if (v4.matches()) {
            StringBuilder key = new StringBuilder();
            for (int i = 1; i <= 4; ++i) {
                int part = Integer.parseInt(v4.group(i));
                if (part > 255) return "unknown";
                key.append(i > 1 ? "." : "").append(part);
            }
            return key.toString();
        }
        if (!literal.matches("[0-9A-Fa-f:][0-9A-Fa-f:.]{1,44}") || literal.indexOf(':') < 0) return "unknown";
        byte[] b;
        try {
            b = java.net.InetAddress.getByName(literal).getAddress();
        } catch (java.net.UnknownHostException e) {
            return "unknown";
        }
        if (b.length == 4) return (b[0] & 255) + "." + (b[1] & 255) + "." + (b[2] & 255) + "." + (b[3] & 255);
        StringBuilder key = new StringBuilder();
        for (int i = 0; i < 8; i += 2) key.append(Integer.toHexString((b[i] & 255) << 8 | (b[i + 1] & 255))).append(':');
        return key + ":/64";
    }

    // The network of a client key: the IPv4 /24 or the IPv6 /48; "unknown" is a network of its own.
    static String network(String key) {
        if (KIT_IPV4.matcher(key).matches()) return key.substring(0, key.lastIndexOf('.')) + ".0/24";
        if (key.endsWith("::/64")) return key.substring(0, key.lastIndexOf(':', key.length() - 6)) + "::/48";
        return key;
    }

    static Integer uniqId(String raw) {
        return raw != null && raw.matches("[1-9][0-9]{0,8}") ? Integer.valueOf(raw) : null;
    }

    // The address bytes (as ISO-8859-1 text) of line N ("//N//address//PageCode"), or null. The
    // page code is digits only, so the last "//" ends the address.
    static String lookup(File kit, int n) {
        String prefix = "//" + n + "//";
        for (String line : readLines(new File(kit, "emaildata.jsp"))) {
            if (!line.startsWith(prefix)) continue;
            Matcher m = Pattern.compile("(.+)//[0-9]+", Pattern.DOTALL).matcher(line.substring(prefix.length()));
            return m.matches() ? m.group(1) : null;
        }
        return null;
    }

    // Addresses are page bytes: UTF-8 when the page was, CP949 (the converter's default) otherwise.
    static String decodeAddress(String latin1) {
        byte[] bytes = latin1.getBytes(StandardCharsets.ISO_8859_1);
        for (String name : new String[] {"UTF-8", "x-windows-949"}) {
            try {
                return Charset.forName(name).newDecoder().onMalformedInput(CodingErrorAction.REPORT)
                    .onUnmappableCharacter(CodingErrorAction.REPORT).decode(java.nio.ByteBuffer.wrap(bytes)).toString();
            } catch (CharacterCodingException | UnsupportedCharsetException e) {
                // try the next
            }
        }
        return latin1;
    }

    static String h(String s) {
        return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\"", "&quot;")
            .replace("'", "&#039;");
    }

    // ---- the clients' state: failures, blocks and quotas, all under one lock ----

    // The six lists as one state, loaded and purged, changed and saved in one step under
    // KIT_LOCK, so that no two requests' checks and counts interleave.
    static final class KitState {
        final long t = now();
        final List<String> ips, counts, blocked = new ArrayList<>(), ends = new ArrayList<>(),
            revealed = new ArrayList<>(), popups = new ArrayList<>();

        // Expired blocks and quota lines go first, so every step sees only live ones.
        KitState(List<List<String>> read) {
            ips = new ArrayList<>(read.get(0));
            counts = new ArrayList<>(read.get(1));
            List<String> b = read.get(2), e = read.get(3);
            for (int i = 0; i < b.size(); ++i) {
                String end = i < e.size() ? e.get(i).trim() : "";
                long until = end.matches("[0-9]{1,18}") ? Long.parseLong(end) : 0;
                if (until > t) { blocked.add(b.get(i)); ends.add(Long.toString(until)); }
            }
            for (String line : read.get(4))
                if (line.matches("[0-9]{1,18} \\S+ [1-9][0-9]{0,8}") && time(line) > t - 86400) revealed.add(line);
            for (String line : read.get(5))
                if (line.matches("[0-9]{1,18} \\S+") && time(line) > t - 3600) popups.add(line);
        }

        List<List<String>> lists() { return Arrays.asList(ips, counts, blocked, ends, revealed, popups); }

        static long time(String line) { return Long.parseLong(line.substring(0, line.indexOf(' '))); }

        boolean hasRevealed(String client, String n) {
            for (String line : revealed) {
                String[] f = line.split(" ");
                if (f[1].equals(client) && f[2].equals(n)) return true;
            }
            return false;
        }

        // When the client may reveal one more number, 0 while every limit allows it now.
        long revealFreeAt(String client, Map<String, Long> c) {
            String net = network(client);
            List<Long> hour = new ArrayList<>(), day = new ArrayList<>(), network = new ArrayList<>();
            for (String line : revealed) {
                String who = line.split(" ")[1];
                long at = time(line);
                if (who.equals(client)) {
                    day.add(at);
                    if (at > t - 3600) hour.add(at);
                }
                if (network(who).equals(net)) network.add(at);
            }
            return Math.max(freeAt(hour, c.get("reveal_per_hour"), 3600),
                Math.max(freeAt(day, c.get("reveal_per_day"), 86400), freeAt(network, c.get("reveal_per_day_network"), 86400)));
        }

        // When the client may open one more pop-up, 0 while it may now.
        long popupFreeAt(String client, Map<String, Long> c) {
            List<Long> times = new ArrayList<>();
            for (String line : popups)
                if (line.substring(line.indexOf(' ') + 1).equals(client)) times.add(time(line));
            return freeAt(times, c.get("popup_per_hour"), 3600);
        }

        // The oldest line that still keeps the count at the limit frees a place when it leaves the window.
        static long freeAt(List<Long> times, long limit, long window) {
            if (limit <= 0 || times.size() < limit) return 0;
            Collections.sort(times);
            return times.get((int) (times.size() - limit)) + window;
        }

        // Counts one failure; true when the client is blocked from now on.
        boolean countFailure(String client, Map<String, Long> c) {
            int i = ips.indexOf(client);
            long failures = 0, since = t;
            if (i >= 0) {
                String[] f = (i < counts.size() ? counts.get(i) : "").trim().split("\\s+");
                failures = f.length > 0 && f[0].matches("[0-9]{1,9}") ? Long.parseLong(f[0]) : 0;
                since = f.length > 1 && f[1].matches("[0-9]{1,18}") ? Long.parseLong(f[1]) : 0;
                ips.remove(i);
                if (i < counts.size()) counts.remove(i);
            }
            if (t - since > c.get("failure_window")) { failures = 0; since = t; }
            ++failures;
            if (failures >= c.get("max_failures")) {
                blocked.add(client);
                ends.add(Long.toString(t + c.get("block_seconds")));
                return true;
            }
            ips.add(client);
            counts.add(failures + " " + since);
            return false;
        }
    }

    interface StateChange<T> { T apply(KitState s); }

    static <T> T withState(File kit, StateChange<T> change) {
        synchronized (KIT_LOCK) {
            File lists = new File(kit, "antispam"), hidden = records(kit);
            File[] files = {new File(lists, "iplist.txt"), new File(lists, "ipcount.txt"),
                            new File(lists, "blockiplist.txt"), new File(lists, "blockiptime.txt"),
                            new File(hidden, "revealed.txt"), new File(hidden, "popups.txt")};
            List<List<String>> read = new ArrayList<>();
            for (File f : files) read.add(readLines(f));
            KitState s = new KitState(read);
            T result = change.apply(s);
            List<List<String>> after = s.lists();
            for (int i = 0; i < files.length; ++i) {
                if (after.get(i).equals(read.get(i))) continue;
                files[i].getParentFile().mkdirs();
                writeList(files[i], after.get(i));
            }
            return result;
        }
    }

    static void writeList(File f, List<String> lines) {
        writeFile(f, lines.isEmpty() ? "" : String.join("\n", lines) + "\n");
    }

    // ---- pending codes ----

    static File records(File kit) { return new File(kit, "WEB-INF/antispam"); }

    static File recordFile(File kit, String token) { return new File(records(kit), sha256("record:" + token) + ".txt"); }

    static String seal(String token, String code) { return sha256("code:" + token + ":" + code); }

    // Deletes records and images older than a token's lifetime, and leftovers of interrupted writes.
    static void purgeStale(File kit) {
        long limit = (now() - kitConfig(kit).get("token_seconds") - 60) * 1000;
        Object[][] folders = {{records(kit), "([0-9a-f]{64}\\.txt|[0-9a-f]{32}\\.part)"},
                            {new File(kit, "antispambmp"), "[0-9a-f]{32}\\.png(\\.part)?"}};
        for (Object[] folder : folders) {
            File[] files = ((File) folder[0]).listFiles();
            if (files == null) continue;
            for (File f : files)
                if (f.getName().matches((String) folder[1]) && f.lastModified() < limit) f.delete();
        }
    }

    // Takes the record of a token away so that no second request can use it; null if none.
    static Map<String, String> claimRecord(File kit, String token) {
        if (token == null || !KIT_HEX32.matcher(token).matches()) return null;
        File claimed = new File(records(kit), randomName() + ".part");
        try {
            Files.move(recordFile(kit, token).toPath(), claimed.toPath(), StandardCopyOption.ATOMIC_MOVE);
        } catch (IOException e) {
            return null;
        }
        Map<String, String> r = new HashMap<>();
        for (String line : readLines(claimed)) {
            int eq = line.indexOf('=');
            if (eq > 0) r.put(line.substring(0, eq), line.substring(eq + 1));
        }
        claimed.delete();
        String image = r.get("image");
        if (image != null && KIT_HEX32.matcher(image).matches()) new File(kit, "antispambmp/" + image + ".png").delete();
        return r.isEmpty() ? null : r;
    }

    static long number(String s) {
        return s != null && s.matches("[0-9]{1,18}") ? Long.parseLong(s) : -1;
    }

    // ---- pages ----

    static String page(HttpServletResponse response, int status, String body) {
        response.setStatus(status);
        response.setHeader("Cache-Control", "no-store");
        response.setHeader("X-Robots-Tag", "noindex, nofollow");
        return "<!doctype html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\">"
            + "<meta name=\"robots\" content=\"noindex,nofollow\"><title>이메일 주소 확인</title>"
            + "<style>body{margin:8px;font:12px sans-serif;text-align:center;color:#222}"
            + "img{border:1px solid #999;margin:6px 0}input[type=text]{width:60px;font-size:16px;text-align:center}"
            + "p{margin:6px 0}a{word-break:break-all}</style></head><body>\n" + body + "\n</body></html>\n";
    }

    static final String CLOSE = "<p><button type=\"button\" onclick=\"window.close()\">창 닫기</button></p>";

    static String retry(long n) { return "<p><a href=\"antispamin.jsp?UniqId=" + n + "\">새 코드 받기</a></p>"; }

    static String blockedPage(HttpServletResponse response) {
        return page(response, 403, "<p>확인에 여러 번 실패하여 잠시 차단되었습니다.</p><p>나중에 다시 시도해 주십시오.</p>" + CLOSE);
    }

    static final String REVEAL_QUOTA = "<p>지금 접속한 곳에서 볼 수 있는 이메일 주소 수를 넘었습니다.</p>";
    static final String POPUP_QUOTA = "<p>확인 창을 너무 자주 열었습니다.</p>";

    static String quotaPage(HttpServletResponse response, String what, long seconds) {
        seconds = Math.max(1, seconds);
        long m = Math.max(1, (seconds + 59) / 60);
        String wait = m < 60 ? m + "분" : m / 60 + "시간" + (m % 60 == 0 ? "" : " " + m % 60 + "분");
        response.setHeader("Retry-After", Long.toString(seconds));
        return page(response, 429, what + "<p>" + wait + " 뒤에 다시 시도해 주십시오.</p>" + CLOSE);
    }

    static String showPopup(File kit, HttpServletRequest request, HttpServletResponse response) {
        Integer n = uniqId(request.getParameter("UniqId"));
        if (n == null || lookup(kit, n) == null) return page(response, 404, "<p>잘못된 요청입니다.</p>" + CLOSE);
        String client = client(request), uniq = Integer.toString(n);
        Map<String, Long> c = kitConfig(kit);
        // Refused before anything is drawn; a refusal counts neither as a pop-up nor as a failure.
        String refusal = withState(kit, s -> {
            if (s.blocked.contains(client)) return blockedPage(response);
            long popupAt = s.popupFreeAt(client, c);
            if (popupAt > 0) return quotaPage(response, POPUP_QUOTA, popupAt - s.t);
            long revealAt = s.hasRevealed(client, uniq) ? 0 : s.revealFreeAt(client, c);
            if (revealAt > 0) return quotaPage(response, REVEAL_QUOTA, revealAt - s.t);
            s.popups.add(s.t + " " + client);
            return null;
        });
        if (refusal != null) return refusal;
        records(kit).mkdirs();
        purgeStale(kit);
        File index = new File(kit, "antispambmp/index.html");
        // No listing of pending images where the server lists folders.
        if (!index.exists()) writeFile(index, "<!doctype html><title></title>\n");
        String code = randomCode(), token = randomName(), image = randomName();
        File imageFile = new File(kit, "antispambmp/" + image + ".png");
        png.MakePngBean maker = new png.MakePngBean();
        maker.setCode(code);
        maker.setPath(imageFile.getPath());
        if (!maker.make()) {
            imageFile.delete();
            return page(response, 500, "<p>확인 이미지를 만들 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>" + CLOSE);
        }
        String record = "client=" + client + "\nimage=" + image + "\nseal=" + seal(token, code) + "\ntime=" + now()
            + "\nuniq=" + n + "\n";
        if (!writeFile(recordFile(kit, token), record)) {
            imageFile.delete();
            return page(response, 500, "<p>확인 코드를 저장할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>" + CLOSE);
        }
        return page(response, 200, "<p>이메일 주소를 보시려면<br>그림의 숫자 네 자리를 입력하세요.</p>"
            + "<img src=\"antispambmp/" + image + ".png\" alt=\"확인 코드\">"
            + "<form method=\"post\" action=\"antispamout.jsp\">"
            + "<input type=\"hidden\" name=\"token\" value=\"" + token + "\">"
            + "<p><input type=\"text\" name=\"code\" maxlength=\"4\" inputmode=\"numeric\" autocomplete=\"off\" autofocus> "
            + "<input type=\"submit\" value=\"확인\"></p></form>"
            + "<p>" + c.get("token_seconds") / 60 + "분 안에 입력해 주십시오.</p>");
    }

    static String showAnswer(File kit, HttpServletRequest request, HttpServletResponse response) {
        if (!"POST".equals(request.getMethod())) {
            response.setHeader("Allow", "POST");
            return page(response, 405, "<p>잘못된 요청입니다.</p>" + CLOSE);
        }
        String client = client(request);
        Map<String, Long> c = kitConfig(kit);
        // The body is read before the lock, so a slow client holds up nobody.
        boolean tooLarge = request.getContentLength() > KIT_MAX_POST;
        String token = tooLarge ? null : request.getParameter("token");
        String code = tooLarge ? null : request.getParameter("code");
        String typed = code == null ? "" : code.trim();
        long[] shown = {0};
        // Block check, claim, count and quota in one step: parallel guesses are counted one by one
        // against the limit, and none of them gets past a block another one just set.
        String refusal = withState(kit, s -> {
            if (s.blocked.contains(client)) return blockedPage(response);
            if (tooLarge) return page(response, 403, "<p>잘못된 요청입니다.</p>" + CLOSE);
            Map<String, String> r = claimRecord(kit, token);
            if (r == null || !client.equals(r.get("client"))) {
                return s.countFailure(client, c) ? blockedPage(response)
                    : page(response, 403, "<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>" + CLOSE);
            }
            long n = number(r.get("uniq"));
            long time = number(r.get("time"));
            if (time < 0 || s.t - time > c.get("token_seconds")) {
                return s.countFailure(client, c) ? blockedPage(response)
                    : page(response, 403, "<p>입력 시간이 지났습니다.</p>" + retry(n) + CLOSE);
            }
            String stored = r.getOrDefault("seal", "");
            if (!typed.matches("[0-9]{4}") || !MessageDigest.isEqual(seal(token, typed).getBytes(StandardCharsets.US_ASCII),
                    stored.getBytes(StandardCharsets.US_ASCII))) {
                return s.countFailure(client, c) ? blockedPage(response)
                    : page(response, 403, "<p>입력한 숫자가 맞지 않습니다.</p>" + retry(n) + CLOSE);
            }
            // A right code is no failure, but neither does it forgive earlier ones.
            String uniq = Long.toString(n);
            if (!s.hasRevealed(client, uniq)) {
                long at = s.revealFreeAt(client, c);
                if (at > 0) return quotaPage(response, REVEAL_QUOTA, at - s.t);
                if (n > 0) s.revealed.add(s.t + " " + client + " " + uniq);
            }
            shown[0] = n;
            return null;
        });
        if (refusal != null) return refusal;
        String address = shown[0] > 0 ? lookup(kit, (int) shown[0]) : null;
        if (address == null) return page(response, 404, "<p>주소를 찾을 수 없습니다.</p>" + CLOSE);
        String mailto = h(decodeAddress(address));
        return page(response, 200, "<p>이메일 주소입니다.</p><p><a id=\"address\" href=\"mailto:" + mailto + "\">" + mailto
            + "</a></p>" + CLOSE);
    }
%><%
    String kitRoot = application.getRealPath("/");
    String body;
    if (kitRoot == null) {
        body = page(response, 500, "<p>요청을 처리할 수 없습니다.</p><p>사이트 관리자에게 알려 주십시오.</p>" + CLOSE);
    } else {
        File kit = new File(kitRoot);
        body = request.getAttribute("orvex.kit.answer") != null ? showAnswer(kit, request, response)
                                                                : showPopup(kit, request, response);
    }
    out.write(body);
%>
