// SPDX-License-Identifier: MIT
package png;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;

/**
 * Writes a palette image as a PNG file. The file appears under its final name only when it is
 * complete (written beside it, then renamed), so the pop-up never links a half-written image.
 */
public final class PngEncoderB {
    private PngEncoderB() {}

    public static boolean write(File target, int width, int height, byte[] indices, int[] palette) {
        File tmp = new File(target.getParentFile(), target.getName() + ".part");
        try {
            byte[] png = new png.com.keypoint.PngEncoderB(width, height, indices, palette).encode();
            try (FileOutputStream out = new FileOutputStream(tmp)) {
                out.write(png);
            }
            Files.move(tmp.toPath(), target.toPath(), StandardCopyOption.REPLACE_EXISTING,
                       StandardCopyOption.ATOMIC_MOVE);
            return true;
        } catch (IOException | RuntimeException e) {
            tmp.delete();
            return false;
        }
    }
}
