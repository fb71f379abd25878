/* Sounds, channels, music and CD tracks, run in the directory named by
   VX_TEST_DIR where the test has left its sound files. The command line
   names the part to run. */
#include "testlib.h"

static int same(const char* a, VxString* b) { return __vxStrCompare(str(a), b) == 0; }

static void sounds(void) {
  int s = _floadsound(str("sine.wav"));
  log_int(s != 0);
  log_int(_floadsound(str("missing.wav")));
  log_int(_floadsound(str("text.wav")));
  log_int(_fload3dsound(str("garbled.wav")));
  log_int(_fplaysound(0));

  int c = _fplaysound(s);
  log_int(c != 0);
  log_int(_fchannelplaying(c));
  _fdelay(700);
  log_int(_fchannelplaying(c));

  _floopsound(s);
  int looped = _fplaysound(s);
  log_int(looped != c);
  _fdelay(700);
  log_int(_fchannelplaying(looped));
  _fpausechannel(looped);
  log_int(_fchannelplaying(looped));
  _fresumechannel(looped);
  _fstopchannel(looped);
  log_int(_fchannelplaying(looped));

  _fstopchannel(0);
  _fpausechannel(0);
  _fresumechannel(0);
  _fchannelpitch(0, 100);
  _fchannelvolume(0, 1.0f);
  _fchannelpan(0, 1.0f);
  log_int(_fchannelplaying(0));

  int s3d = _fload3dsound(str("Sine.WAV"));
  log_int(s3d != 0);
  _ffreesound(s3d);
  _ffreesound(s3d);
  _ffreesound(12345);
  _ffreesound(0);
  log_text("sounds done");
}

/* Heard through the wave output: left, then right at twice the pitch and
   half the volume. */
static void heard(void) {
  int s = _floadsound(str("sine.wav"));
  _fsoundpan(s, -1.0f);
  int c = _fplaysound(s);
  while (_fchannelplaying(c)) _fdelay(10);
  _fdelay(300);
  _fsoundpan(s, 0.0f);
  _fsoundvolume(s, 0.5f);
  c = _fplaysound(s);
  _fchannelpan(c, 1.0f);
  _fchannelpitch(c, 88200);
  while (_fchannelplaying(c)) _fdelay(10);
  _fdelay(100);
  log_text("heard done");
}

static void many(void) {
  static int handles[4097];
  int s = _floadsound(str("long.wav"));
  _floopsound(s);
  int given = 0, playing = 0, repeated = 0;
  for (int i = 0; i < 4097; ++i) {
    handles[i] = _fplaysound(s);
    given += handles[i] != 0;
  }
  for (int i = 0; i < 4097; ++i) {
    playing += _fchannelplaying(handles[i]);
    for (int j = 0; j < i; ++j) repeated += handles[j] == handles[i];
  }
  log_int(given);
  log_int(playing);
  log_int(repeated);
  log_text("many done");
}

static void music(void) {
  int tune = _fplaymusic(str("tune.mod"));
  log_int(tune != 0);
  log_int(_fchannelplaying(tune));
  _fchannelpitch(tune, 1000);
  _fchannelpan(tune, 1.0f);
  log_int(_fplaymusic(str("tune.mod")) == tune);
  log_int(_fplaymusic(str("./tune.mod")) != tune);

  log_int(_fplaymusic(str("song.MP3")) != 0); /* a module, by its case */
  log_int(_fplaymusic(str("real.MP3")));      /* an MP3 is no module */
  int mp3 = _fplaymusic(str("sine.mp3"));
  log_int(mp3 != 0);
  log_int(_fplaymusic(str("sine.mp3")) == mp3);
  log_int(_fchannelplaying(mp3));
  int ogg = _fplaymusic(str("sine.ogg"));
  log_int(ogg != 0 && ogg != mp3);
  log_int(_fplaymusic(str("text.ogg")));
  int midi = _fplaymusic(str("tune.mid"));
  log_int(midi != 0);

  _fpausechannel(tune);
  _fdelay(200);
  log_int(_fchannelplaying(tune));
  _fresumechannel(tune);
  _fdelay(1500);
  log_int(_fchannelplaying(tune));
  log_int(_fchannelplaying(mp3));
  log_int(_fchannelplaying(midi));
  log_int(_fplaymusic(str("tune.mod")) == tune);
  log_int(_fchannelplaying(tune));
  _fstopchannel(tune);
  log_int(_fchannelplaying(tune));

  int cd = _fplaycdtrack(2, 1);
  log_int(cd != 0);
  log_int(_fchannelplaying(cd));
  log_int(_fplaycdtrack(9, 2) == cd);
  _fstopchannel(cd);
  _fchannelvolume(cd, 0.5f);
  log_int(_fchannelplaying(cd));
  log_text("music done");
}

static void no_device(void) {
  log_int(_floadsound(str("sine.wav")));
  log_int(_fload3dsound(str("sine.wav")));
  log_int(_fplaymusic(str("tune.mod")));
  log_int(_fplaycdtrack(2, 1));
  log_int(_fplaysound(0));
  _ffreesound(77);
  _fstopchannel(0);
  log_int(_fchannelplaying(0));
  log_text("no device done");
}

static void unknown_sound(void) {
  _floopsound(4);
  log_text("not reached when debugging");
}

void __MAIN(void) {
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  VxString* part = _fcommandline();
  if (same("sounds", __vxStrLoad(&part))) sounds();
  else if (same("heard", __vxStrLoad(&part))) heard();
  else if (same("many", __vxStrLoad(&part))) many();
  else if (same("music", __vxStrLoad(&part))) music();
  else if (same("nodevice", __vxStrLoad(&part))) no_device();
  else if (same("unknown", __vxStrLoad(&part))) unknown_sound();
  __vxStrRelease(part);
}
