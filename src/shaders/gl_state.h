// GL state resets shared by the launcher, the text drawers, the scene, the frame driver and the overlay.
#pragma once

// Identity texture, projection and modelview matrices; the matrix mode ends at modelview.
void LoadIdentityMatrices();

// Default framebuffer and no program; identity matrices; 2D texturing, blending, depth
// test and face culling off. Run after every part and before the overlay.
void ResetGLState();
