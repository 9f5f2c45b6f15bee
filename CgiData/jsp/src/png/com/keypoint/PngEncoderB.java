// SPDX-License-Identifier: MIT
package png.com.keypoint;

import java.io.ByteArrayOutputStream;

/** The same writer for palette images: each pixel byte is an index into up to 256 RGB colours. */
public class PngEncoderB extends PngEncoder {
    private final int[] palette;

    public PngEncoderB(int width, int height, byte[] indices, int[] palette) {
        super(width, height, indices);
        if (palette == null || palette.length == 0 || palette.length > 256)
            throw new IllegalArgumentException("palette size");
        for (byte p : indices) {
            if ((p & 0xff) >= palette.length)
                throw new IllegalArgumentException("index outside the palette");
        }
        this.palette = palette.clone();
    }

    @Override
    protected int colorType() {
        return 3;
    }

    @Override
    protected void writeExtraChunks(ByteArrayOutputStream out) {
        byte[] plte = new byte[palette.length * 3];
        for (int i = 0; i < palette.length; ++i) {
            plte[i * 3] = (byte) (palette[i] >>> 16);
            plte[i * 3 + 1] = (byte) (palette[i] >>> 8);
            plte[i * 3 + 2] = (byte) palette[i];
        }
        writeChunk(out, "PLTE", plte);
    }
}
