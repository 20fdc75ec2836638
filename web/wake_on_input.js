// The program's sleep between passes of its main loop, in the browser: it hands control
// back to the browser and resumes when the time is up or, sooner, when a key is pressed,
// so that a press is drawn at once without the loop having to look for presses at short
// intervals. Linked into the program by Emscripten (--js-library).
mergeInto(LibraryManager.library, {
  vyrtel_sleep_until_input__deps: ['$Asyncify', '$callUserCallback'],
  vyrtel_sleep_until_input__sig: 'vi',
  vyrtel_sleep_until_input: function (timeoutMs) {
    return Asyncify.handleSleep(function (wakeUp) {
      // Where the browser's SDL hears keys: the page gives each run its own.
      var keyboard = Module['keyboardListeningElement'] || document;
      var timer = setTimeout(resume, timeoutMs);
      function onKey() {
        // SDL queued the press before this listener heard it; the program is resumed as a
        // task of its own, once the event's dispatch is over.
        setTimeout(resume, 0);
      }
      function resume() {
        if (timer === null) return;
        clearTimeout(timer);
        timer = null;
        keyboard.removeEventListener('keydown', onKey);
        // As a callback of the program's: when the program has ended meanwhile, its exit
        // status is reported.
        callUserCallback(wakeUp);
      }
      keyboard.addEventListener('keydown', onKey);
    });
  },
});
