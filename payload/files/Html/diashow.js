// Diashow fuer den HTML-Export von Pixorra.
function starteDiashow(bilder, verzoegerung) {
  var nr = 0, laeuft = true;
  var bild = document.getElementById("bild");
  function zeige(n) {
    nr = (n + bilder.length) % bilder.length;
    bild.src = bilder[nr];
  }
  setInterval(function () { if (laeuft) zeige(nr + 1); }, verzoegerung);
  document.getElementById("weiter").onclick = function () { zeige(nr + 1); };
  document.getElementById("zurueck").onclick = function () { zeige(nr - 1); };
  document.getElementById("pause").onclick = function () { laeuft = !laeuft; };
}
