// SPDX-License-Identifier: MIT
package png;

import java.io.File;
import java.security.SecureRandom;

/**
 * Draws a four-digit code as a small PNG (bean properties code and path, then make()). The
 * digits are our own 5x7 cell shapes, scaled, each placed with a random offset and thickness,
 * over speckles and lines; the kit's failure limits are the real defence against a reader.
 */
public class MakePngBean {
    public static final int WIDTH = 120;
    public static final int HEIGHT = 40;

    // Rows of 5 bits, top to bottom, for 0..9.
    private static final int[][] DIGITS = {
        {0x0e, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0e}, {0x04, 0x0c, 0x04, 0x04, 0x04, 0x04, 0x0e},
        {0x0e, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1f}, {0x1f, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0e},
        {0x02, 0x06, 0x0a, 0x12, 0x1f, 0x02, 0x02}, {0x1f, 0x10, 0x1e, 0x01, 0x01, 0x11, 0x0e},
        {0x06, 0x08, 0x10, 0x1e, 0x11, 0x11, 0x0e}, {0x1f, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
        {0x0e, 0x11, 0x11, 0x0e, 0x11, 0x11, 0x0e}, {0x0e, 0x11, 0x11, 0x0f, 0x01, 0x02, 0x0c},
    };
    // 0 background, 1 and 2 clutter, 3..5 ink
    private static final int[] PALETTE = {0xf4f4ec, 0xb8c4d0, 0xd8c0b0, 0x1a2a6c, 0x6a1a1a, 0x10502a};

    private final SecureRandom random = new SecureRandom();
    private String code = "";
    private String path = "";

    public String getCode() {
        return code;
    }

    public void setCode(String code) {
        this.code = code == null ? "" : code;
    }

    public String getPath() {
        return path;
    }

    public void setPath(String path) {
        this.path = path == null ? "" : path;
    }

    /** The pixels of the code image (palette indices, row by row), or null for a bad code. */
    public byte[] draw() {
        if (!code.matches("[0-9]{4}"))
            return null;
        byte[] px = new byte[WIDTH * HEIGHT];
        for (int i = 0; i < 90; ++i)
            px[random.nextInt(px.length)] = (byte) (1 + random.nextInt(2));
        for (int i = 0; i < 3; ++i)
            line(px, random.nextInt(WIDTH), random.nextInt(HEIGHT), random.nextInt(WIDTH), random.nextInt(HEIGHT),
                 (byte) (1 + random.nextInt(2)));
        for (int d = 0; d < 4; ++d) {
            int[] rows = DIGITS[code.charAt(d) - '0'];
            int scale = 4;
            int left = 8 + d * 27 + random.nextInt(5) - 2;
            int top = 3 + random.nextInt(7);
            int slant = random.nextInt(3) - 1; // pixels of shift per cell row, a slight italic
            byte ink = (byte) (3 + random.nextInt(3));
            int pen = scale + random.nextInt(2); // touching cells make strokes
            for (int r = 0; r < 7; ++r) {
                for (int c = 0; c < 5; ++c) {
                    if ((rows[r] & (0x10 >> c)) == 0)
                        continue;
                    int x0 = left + c * scale + slant * (3 - r);
                    int y0 = top + r * scale;
                    fill(px, x0, y0, pen, pen, ink);
                }
            }
        }
        // One line across the digits, in a light colour so that a person still reads them.
        line(px, 0, 10 + random.nextInt(20), WIDTH - 1, 10 + random.nextInt(20), (byte) 1);
        return px;
    }

    /** Draws the code into the file at path; false if the code is not four digits or the write fails. */
    public boolean make() {
        byte[] px = draw();
        return px != null && !path.isEmpty() && PngEncoderB.write(new File(path), WIDTH, HEIGHT, px, PALETTE);
    }

    private static void fill(byte[] px, int x0, int y0, int w, int h, byte color) {
        for (int y = Math.max(0, y0); y < Math.min(HEIGHT, y0 + h); ++y)
            for (int x = Math.max(0, x0); x < Math.min(WIDTH, x0 + w); ++x)
                px[y * WIDTH + x] = color;
    }

    private static void line(byte[] px, int x0, int y0, int x1, int y1, byte color) {
        int steps = Math.max(Math.abs(x1 - x0), Math.abs(y1 - y0));
        for (int i = 0; i <= steps; ++i) {
            int x = steps == 0 ? x0 : x0 + (x1 - x0) * i / steps;
            int y = steps == 0 ? y0 : y0 + (y1 - y0) * i / steps;
            if (x >= 0 && x < WIDTH && y >= 0 && y < HEIGHT && px[y * WIDTH + x] < 3)
                px[y * WIDTH + x] = color;
        }
    }
}
