// The scene's inputs, shared by every program. Keyframe tracks set the tweak values
// (track 0 before 30 s, track 1 for k0 to k3 from 30 s to 179 s; k4 and k5 then hold
// their last track-0 values, and from 179 s all six hold):
//   k0  cloud brightness: exposure of the particles (0 dark .. 1 full)
//   k1  flow speed: how fast the particles travel the curl field (0 still .. 1 fast)
//   k2  face: how far the particles have gathered onto the face scan (0 free .. 1 formed)
//   k3  palette: hue of the cloud (0 cold blue .. 0.5 violet .. 1 warm amber)
//   k4  trails: how much of the previous frame pass 2 keeps (0 none .. 1 long)
//   k5  glow: strength of the bloom added by pass 3 (0 none .. 1 strong)
//   effect1  k0 of the previous frame (effect2..effect6 stay 0)
// Times: ttime, cttime, fttime are the warped scene time, fullttime the raw scene clock.
uniform float k0, k1, k2, k3, k4, k5;
uniform float effect1, effect2, effect3, effect4, effect5, effect6;
uniform float ttime, cttime, fttime, fullttime, TheType;
