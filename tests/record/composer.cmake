# Tests of the frame composer and watermarks.
