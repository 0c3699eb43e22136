// Renders ZPL labels to PNG files with zpl-renderer-js (the test oracle).
// node render_zpl.cjs IN.zpl OUT-PREFIX WIDTH_MM HEIGHT_MM DPMM
// writes OUT-PREFIX-0.png, OUT-PREFIX-1.png... one per label.
const fs = require("node:fs");
const { ready } = require("zpl-renderer-js");

(async () => {
  const [input, prefix, widthMm, heightMm, dpmm] = process.argv.slice(2);
  const zpl = fs.readFileSync(input, "utf8");
  const { api } = await ready;
  const labels = await api.zplToBase64MultipleAsync(zpl, Number(widthMm), Number(heightMm), Number(dpmm));
  labels.forEach((png, i) => fs.writeFileSync(`${prefix}-${i}.png`, Buffer.from(png, "base64")));
  process.exit(0);
})().catch((e) => {
  console.error(String(e));
  process.exit(1);
});
