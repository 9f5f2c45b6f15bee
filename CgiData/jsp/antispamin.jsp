<%-- SPDX-License-Identifier: MIT --%><%@ page contentType="text/html; charset=UTF-8" pageEncoding="UTF-8"
    trimDirectiveWhitespaces="true" session="false"
    import="java.io.*,java.nio.charset.*,java.nio.file.*,java.security.*,java.util.*,java.util.regex.*" %><%!
    // The verification pop-up (antispamin.jsp?UniqId=N) and, through antispamout.jsp, its answer.
    //
    // The kit folder is a web application of its own (its WEB-INF holds the image classes), so
    // nothing under WEB-INF/ is ever served. Files the kit keeps:
    //   WEB-INF/antispam/<sha256("record:" token)>.txt  one pending code: a seal of the code,
    //                     sha256("code:" token ":" code), the time, the client's address, N and
    //                     the image's name; useless without the token even if it were served
    //   antispam/iplist.txt       clients with recent failures, one address a line
    //   antispam/ipcount.txt      same line: "<failures> <time of the first failure>"
    //   antispam/blockiplist.txt  blocked clients, one address a line
    //   antispam/blockiptime.txt  same line: the time the block ends
    //   antispam/kit.ini          optional overrides of the defaults ("key = number" lines)
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
    };
    static final Pattern KIT_HEX32 = Pattern.compile("[0-9a-f]{32}");

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
        String ip = request.getRemoteAddr();
        return ip != null && ip.length() <= 45 && ip.matches("[0-9A-Fa-f:.]+") ? ip : "unknown";
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

    // ---- failure counting and blocking, the four lists under one lock ----

    interface ListChange { boolean apply(List<String> ips, List<String> counts, List<String> blocked, List<String> ends, long now); }

    static boolean withLists(File kit, ListChange change) {
        synchronized (KIT_LOCK) {
            File dir = new File(kit, "antispam");
            List<String> ips = readLines(new File(dir, "iplist.txt"));
            List<String> counts = readLines(new File(dir, "ipcount.txt"));
            List<String> blocked = readLines(new File(dir, "blockiplist.txt"));
            List<String> ends = readLines(new File(dir, "blockiptime.txt"));
            long t = now();
            // Expired blocks go first, so every caller sees only live ones.
            List<String> liveBlocked = new ArrayList<>(), liveEnds = new ArrayList<>();
            for (int i = 0; i < blocked.size(); ++i) {
                String e = i < ends.size() ? ends.get(i).trim() : "";
                long end = e.matches("[0-9]{1,18}") ? Long.parseLong(e) : 0;
                if (end > t) { liveBlocked.add(blocked.get(i)); liveEnds.add(Long.toString(end)); }
            }
            String before = String.join("\n", ips) + "\0" + String.join("\n", counts) + "\0" + String.join("\n", blocked)
                + "\0" + String.join("\n", ends);
            boolean result = change.apply(ips, counts, liveBlocked, liveEnds, t);
            String after = String.join("\n", ips) + "\0" + String.join("\n", counts) + "\0"
                + String.join("\n", liveBlocked) + "\0" + String.join("\n", liveEnds);
            if (!before.equals(after)) {
                writeList(new File(dir, "iplist.txt"), ips);
                writeList(new File(dir, "ipcount.txt"), counts);
                writeList(new File(dir, "blockiplist.txt"), liveBlocked);
                writeList(new File(dir, "blockiptime.txt"), liveEnds);
            }
            return result;
        }
    }

    static void writeList(File f, List<String> lines) {
        writeFile(f, lines.isEmpty() ? "" : String.join("\n", lines) + "\n");
    }

    static boolean isBlocked(File kit, String client) {
        return withLists(kit, (ips, counts, blocked, ends, t) -> blocked.contains(client));
    }

    // Counts one failure; true when the client is blocked from now on.
    static boolean countFailure(File kit, String client) {
        Map<String, Long> c = kitConfig(kit);
        return withLists(kit, (ips, counts, blocked, ends, t) -> {
            if (blocked.contains(client)) return true;
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
        });
    }

    static void clearFailures(File kit, String client) {
        withLists(kit, (ips, counts, blocked, ends, t) -> {
            int i = ips.indexOf(client);
            if (i >= 0) { ips.remove(i); if (i < counts.size()) counts.remove(i); }
            return false;
        });
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

    static String showPopup(File kit, HttpServletRequest request, HttpServletResponse response) {
        Integer n = uniqId(request.getParameter("UniqId"));
        if (n == null || lookup(kit, n) == null) return page(response, 404, "<p>잘못된 요청입니다.</p>" + CLOSE);
        String client = client(request);
        if (isBlocked(kit, client)) return blockedPage(response);
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
            + "<p>" + kitConfig(kit).get("token_seconds") / 60 + "분 안에 입력해 주십시오.</p>");
    }

    static String showAnswer(File kit, HttpServletRequest request, HttpServletResponse response) {
        if (!"POST".equals(request.getMethod())) {
            response.setHeader("Allow", "POST");
            return page(response, 405, "<p>잘못된 요청입니다.</p>" + CLOSE);
        }
        String client = client(request);
        if (isBlocked(kit, client)) return blockedPage(response);
        if (request.getContentLength() > KIT_MAX_POST) return page(response, 403, "<p>잘못된 요청입니다.</p>" + CLOSE);
        Map<String, String> r = claimRecord(kit, request.getParameter("token"));
        if (r == null || !client.equals(r.get("client"))) {
            return countFailure(kit, client) ? blockedPage(response)
                : page(response, 403, "<p>이미 사용했거나 없는 코드입니다.</p><p>페이지의 링크를 다시 눌러 주십시오.</p>" + CLOSE);
        }
        long n = number(r.get("uniq"));
        long time = number(r.get("time"));
        if (time < 0 || now() - time > kitConfig(kit).get("token_seconds")) {
            return countFailure(kit, client) ? blockedPage(response)
                : page(response, 403, "<p>입력 시간이 지났습니다.</p>" + retry(n) + CLOSE);
        }
        String typed = request.getParameter("code");
        typed = typed == null ? "" : typed.trim();
        String stored = r.getOrDefault("seal", "");
        if (!typed.matches("[0-9]{4}") || !MessageDigest.isEqual(seal(request.getParameter("token"), typed).getBytes(
                StandardCharsets.US_ASCII), stored.getBytes(StandardCharsets.US_ASCII))) {
            return countFailure(kit, client) ? blockedPage(response)
                : page(response, 403, "<p>입력한 숫자가 맞지 않습니다.</p>" + retry(n) + CLOSE);
        }
        clearFailures(kit, client);
        String address = n > 0 ? lookup(kit, (int) n) : null;
        if (address == null) return page(response, 404, "<p>주소를 찾을 수 없습니다.</p>" + CLOSE);
        String shown = h(decodeAddress(address));
        return page(response, 200, "<p>이메일 주소입니다.</p><p><a id=\"address\" href=\"mailto:" + shown + "\">" + shown
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
