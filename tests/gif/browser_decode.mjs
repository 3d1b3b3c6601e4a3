// Decodes GIFs in headless Chromium with WebCodecs' ImageDecoder and writes
// what the browser shows: for every frame the composited RGBA pixels drawn
// through a canvas, and the frame's duration.
//
// usage: node browser_decode.mjs PUPPETEER_DIR CHROMIUM OUT_DIR GIF...
// For GIF number n (from 0) it writes OUT_DIR/n.json, {width, height,
// frames: [{durationUs, file}]}, and each frame's pixels as OUT_DIR/n-f.rgba.
// Failures go to stderr with a non-zero exit.

import { writeFile, readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [puppeteerDir, chromium, outDir, ...gifs] = process.argv.slice(2);
const require = createRequire(path.join(path.resolve(puppeteerDir), 'package.json'));
const puppeteer = require('puppeteer-core');

// Runs in the page: decodes one frame of the GIF opened last and answers its
// pixels as base64 (a string is what crosses the DevTools connection whole).
async function decodeInPage(gifBase64, frameIndex) {
  if (frameIndex === 0) {
    const bytes = Uint8Array.from(atob(gifBase64), (c) => c.charCodeAt(0));
    if (window.gifDecoder) window.gifDecoder.close();
    window.gifDecoder = new ImageDecoder({ data: bytes, type: 'image/gif' });
    await window.gifDecoder.tracks.ready;
    await window.gifDecoder.completed;
  }
  const decoder = window.gifDecoder;
  const { image } = await decoder.decode({ frameIndex });
  const width = image.displayWidth;
  const height = image.displayHeight;
  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  context.drawImage(image, 0, 0);
  const durationUs = image.duration;
  image.close();
  const rgba = context.getImageData(0, 0, width, height).data;
  let text = '';
  for (let i = 0; i < rgba.length; i += 0x8000) {
    text += String.fromCharCode.apply(null, rgba.subarray(i, i + 0x8000));
  }
  return {
    frameCount: decoder.tracks.selectedTrack.frameCount,
    width,
    height,
    durationUs,
    rgba: btoa(text),
  };
}

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
});
let failed = false;
try {
  const page = await browser.newPage();
  // WebCodecs exist only in a secure context, which about:blank is not and a
  // file: page is.
  await page.goto(pathToFileURL(path.resolve(outDir)).href);
  if (!(await page.evaluate(() => window.isSecureContext && 'ImageDecoder' in window))) {
    throw new Error('this Chromium offers no ImageDecoder');
  }
  for (const [n, gif] of gifs.entries()) {
    const data = (await readFile(gif)).toString('base64');
    const result = { width: 0, height: 0, frames: [] };
    let frameCount = 1;
    for (let f = 0; f < frameCount; ++f) {
      const frame = await page.evaluate(decodeInPage, data, f);
      frameCount = frame.frameCount;
      result.width = frame.width;
      result.height = frame.height;
      const file = `${n}-${f}.rgba`;
      await writeFile(path.join(outDir, file), Buffer.from(frame.rgba, 'base64'));
      result.frames.push({ durationUs: frame.durationUs, file });
    }
    await writeFile(path.join(outDir, `${n}.json`), JSON.stringify(result));
  }
} catch (error) {
  console.error(String(error && error.stack ? error.stack : error));
  failed = true;
} finally {
  await browser.close();
}
process.exit(failed ? 1 : 0);
