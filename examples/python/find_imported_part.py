"""Imports a DXF drawing, renders the part at a random pose with blur and
noise, finds it in the image and prints the pose error.

    python3 find_imported_part.py [DRAWING.dxf [SEED]]

Without arguments it uses bracket.dxf beside this script (a bracket with a
rounded corner, two holes and a slot drawn as four loose lines, which the
import joins into a contour)."""
import math
import pathlib
import random
import sys

import vxshmd


def main(drawing, seed):
    imported = vxshmd.import_dxf(drawing)
    print(imported.summary, end="")

    # Centred on its bounding box, the part turns about its middle.
    box = imported.shape.bounding_box
    middle = (box.origin[0] + box.size[0] / 2, box.origin[1] + box.size[1] / 2)
    part = imported.shape.map(vxshmd.Xform.linear((1, 0, 0, 1), (-middle[0], -middle[1])))

    rng = random.Random(seed)
    width, height = 640, 480
    truth = (rng.uniform(220, 420), rng.uniform(170, 310), rng.uniform(-math.pi, math.pi), 1.0)
    image = vxshmd.render(part, width, height, pose=truth, dark=50, light=170, blur=1.0, noise=4.0,
                          seed=rng.randrange(2 ** 31))

    matches = vxshmd.find(part, image, min_score=0.6)
    if not matches:
        print("not found")
        return 1
    best = matches[0]
    position = math.hypot(best.x - truth[0], best.y - truth[1])
    turn = math.degrees(math.remainder(best.angle - truth[2], 2 * math.pi))
    print(f"rendered at x {truth[0]:.3f}, y {truth[1]:.3f}, angle {math.degrees(truth[2]):.3f} deg")
    print(f"found at    x {best.x:.3f}, y {best.y:.3f}, angle {math.degrees(best.angle):.3f} deg, "
          f"score {best.score:.4f}")
    print(f"position error {position:.4f} px, angle error {turn:.4f} deg")
    return 0


if __name__ == "__main__":
    here = pathlib.Path(__file__).resolve().parent
    drawing = sys.argv[1] if len(sys.argv) > 1 else here / "bracket.dxf"
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 2024
    sys.exit(main(drawing, seed))
