// The scene's inputs, shared by every program, and the one place that says what the
// tweak values mean (the generator's keyframe tables follow these names). The keyframe
// tracks set them: track 0 before 30 s, track 1 for k0 to k3 from 30 s to 179 s (k4 and
// k5 then hold their last track-0 values), and from 179 s all six hold.
//   k0  brightness: exposure of the particles (0 black .. 1 full .. 2 hot); the tracks
//       lift it on the soundtrack's drums and hits, so the cloud breathes with the music
//   k1  flow: how fast the particles travel the curl field (0 still .. 1 the groove)
//   k2  face: how far the particles have gathered onto the face scan (0 free .. 1 formed;
//       one particle in eight always stays free, a haze around the face)
//   k3  palette: hue of the cloud (0 ice blue .. 0.33 violet .. 0.67 rose .. 1 amber)
//   k4  trails: how much of the previous frame pass 2 keeps (0 little .. 1 long)
//   k5  glow: strength of the bloom pass 3 adds (0 faint .. 1 strong)
//   effect1  k0 of the previous frame (effect2..effect6 stay 0)
// Times: ttime, cttime, fttime are the warped scene time, fullttime the raw scene clock;
// the particle step and the point drawing get the raw clock as ttime and no fullttime.
uniform float k0, k1, k2, k3, k4, k5;
uniform float effect1, effect2, effect3, effect4, effect5, effect6;
uniform float ttime, cttime, fttime, fullttime, TheType;
