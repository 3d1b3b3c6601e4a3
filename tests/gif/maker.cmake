# Tests of the GIF maker side.
