// Every pixel the program draws is opaque: its two fills are, and its one ink colour,
// white, is mapped with full alpha. The browser's SDL would otherwise set the alpha of all
// 307,200 screen pixels twice a frame, at the lock and at the unlock, to make the canvas
// behave like a desktop screen; told the screen is already opaque, it copies the frame
// and nothing more. Runs inside the program's module (--pre-js), where SDL's settings are.
Module['preRun'] = [].concat(Module['preRun'] || [], [function () {
  SDL.defaults.opaqueFrontBuffer = false;
}]);
