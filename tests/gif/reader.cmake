# Tests of the GIF reader side.
