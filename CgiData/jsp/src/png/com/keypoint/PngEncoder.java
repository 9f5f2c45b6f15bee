// SPDX-License-Identifier: MIT
package png.com.keypoint;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.util.zip.CRC32;
import java.util.zip.Deflater;

/**
 * A minimal PNG writer: 8-bit grayscale pixels, one byte each, row by row. Only what the kit's
 * code image needs, so that the kit depends on nothing but the Java runtime (no AWT, which a
 * headless server may lack).
 */
public class PngEncoder {
    private static final byte[] SIGNATURE = {(byte) 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

    protected final int width;
    protected final int height;
    protected final byte[] pixels;

    public PngEncoder(int width, int height, byte[] pixels) {
        if (width <= 0 || height <= 0 || pixels == null || pixels.length != width * height)
            throw new IllegalArgumentException("pixels do not fit the size");
        this.width = width;
        this.height = height;
        this.pixels = pixels;
    }

    /** PNG colour type of the IHDR chunk: 0 grayscale. */
    protected int colorType() {
        return 0;
    }

    /** Chunks between IHDR and IDAT (a palette, say); none for grayscale. */
    protected void writeExtraChunks(ByteArrayOutputStream out) {}

    public byte[] encode() {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        out.write(SIGNATURE, 0, SIGNATURE.length);
        byte[] header = new byte[13];
        putInt(header, 0, width);
        putInt(header, 4, height);
        header[8] = 8; // bits per sample
        header[9] = (byte) colorType();
        // compression, filter and interlace methods 0
        writeChunk(out, "IHDR", header);
        writeExtraChunks(out);
        writeChunk(out, "IDAT", compress());
        writeChunk(out, "IEND", new byte[0]);
        return out.toByteArray();
    }

    private byte[] compress() {
        // Each row is filter type 0 (none) followed by its bytes.
        byte[] raw = new byte[(width + 1) * height];
        for (int y = 0; y < height; ++y)
            System.arraycopy(pixels, y * width, raw, y * (width + 1) + 1, width);
        Deflater deflater = new Deflater(Deflater.BEST_COMPRESSION);
        try {
            deflater.setInput(raw);
            deflater.finish();
            ByteArrayOutputStream z = new ByteArrayOutputStream();
            byte[] buffer = new byte[8192];
            while (!deflater.finished()) {
                int n = deflater.deflate(buffer);
                z.write(buffer, 0, n);
            }
            return z.toByteArray();
        } finally {
            deflater.end();
        }
    }

    protected static void writeChunk(ByteArrayOutputStream out, String type, byte[] data) {
        byte[] length = new byte[4];
        putInt(length, 0, data.length);
        out.write(length, 0, 4);
        byte[] name = type.getBytes(StandardCharsets.US_ASCII);
        out.write(name, 0, 4);
        out.write(data, 0, data.length);
        CRC32 crc = new CRC32();
        crc.update(name);
        crc.update(data);
        byte[] sum = new byte[4];
        putInt(sum, 0, (int) crc.getValue());
        out.write(sum, 0, 4);
    }

    protected static void putInt(byte[] b, int at, int v) {
        b[at] = (byte) (v >>> 24);
        b[at + 1] = (byte) (v >>> 16);
        b[at + 2] = (byte) (v >>> 8);
        b[at + 3] = (byte) v;
    }
}
