#!/usr/bin/env python3
"""Writes the product artwork (wizard/art, webcopy/art) as plain SVG Tiny-friendly files
(no filters, masks or text), so the five poses of the mascot stay consistent.
Run: python3 tools/artwork/generate.py"""
import math
import os
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
OUT = os.path.join(ROOT, 'wizard', 'art')
OUT_BANNER = os.path.join(ROOT, 'webcopy', 'art')

# Palette
NAVY = '#0B2B45'      # outlines, eyes
BLUE = '#0074B5'      # header blue
BLUE_L = '#2C98D8'
BLUE_LL = '#8CCEF3'
BLUE_D = '#005A8E'
BLUE_DD = '#00406A'
ORANGE = '#F7941D'
ORANGE_D = '#D8740E'
YELLOW = '#FFC62E'
CHEEK = '#FF8C6E'
TONGUE = '#FF6F61'
MOUTH = '#7A1F2B'
WHITE = '#FFFFFF'
GLOVE_SHADE = '#D5E1EB'
SLATE = '#34475A'
SLATE_D = '#22323F'
SLATE_L = '#50657A'
RED = '#D8322E'
RED_D = '#8F1714'

OUTLINE = 2.5


def f(v):
    """Compact number formatting."""
    s = ('%.2f' % v).rstrip('0').rstrip('.')
    return '0' if s == '-0' else s


def svg(w, h, body, defs='', title=''):
    d = '<defs>\n%s</defs>\n' % defs if defs else ''
    t = '<title>%s</title>\n' % title if title else ''
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            'width="%d" height="%d" viewBox="0 0 %d %d">\n%s%s%s</svg>\n' % (w, h, w, h, t, d, body))


def lin(id_, x1, y1, x2, y2, stops):
    s = ''.join('<stop offset="%s" stop-color="%s"%s/>' % (
        f(o), c, (' stop-opacity="%s"' % f(a)) if a is not None else '')
        for o, c, *rest in stops for a in [rest[0] if rest else None])
    return ('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="%s" y1="%s" x2="%s" y2="%s">%s</linearGradient>\n'
            % (id_, f(x1), f(y1), f(x2), f(y2), s))


def rad(id_, cx, cy, r, stops):
    s = ''.join('<stop offset="%s" stop-color="%s"%s/>' % (
        f(o), c, (' stop-opacity="%s"' % f(a)) if a is not None else '')
        for o, c, *rest in stops for a in [rest[0] if rest else None])
    return ('<radialGradient id="%s" gradientUnits="userSpaceOnUse" cx="%s" cy="%s" r="%s">%s</radialGradient>\n'
            % (id_, f(cx), f(cy), f(r), s))


def stroke_path(d, color, width, extra=''):
    return ('<path d="%s" fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round" '
            'stroke-linejoin="round"%s/>\n' % (d, color, f(width), extra))


def shape(tag, attrs, fill, stroke=None, sw=OUTLINE, extra=''):
    a = ' '.join('%s="%s"' % (k, f(v) if isinstance(v, (int, float)) else v) for k, v in attrs.items())
    st = (' stroke="%s" stroke-width="%s" stroke-linejoin="round"' % (stroke, f(sw))) if stroke else ''
    return '<%s %s fill="%s"%s%s/>\n' % (tag, a, fill, st, extra)


def group(content, transform=None, extra=''):
    t = ' transform="%s"' % transform if transform else ''
    return '<g%s%s>\n%s</g>\n' % (t, extra, content)


# ---------------------------------------------------------------------------
# The mascot
# ---------------------------------------------------------------------------
BODY_W, BODY_H, BODY_TOP = 84, 142, 36
GROUND = 216


def tube(d, inner_color, inner_w):
    """An outlined limb: dark stroke under a narrower coloured one."""
    return stroke_path(d, NAVY, inner_w + 2 * OUTLINE) + stroke_path(d, inner_color, inner_w)


def arm(d):
    return tube(d, BLUE_D, 5.5)


def glove(pieces, creases=(), cuff=None):
    """pieces: list of ('cap', x1, y1, x2, y2, w) or ('rr', x, y, w, h, r) or ('el', cx, cy, rx, ry).
    The silhouette is drawn once in navy (widened) and once in white so overlapping parts merge."""
    def draw(col, grow):
        out = ''
        for p in pieces:
            if p[0] == 'cap':
                _, x1, y1, x2, y2, w = p
                out += stroke_path('M%s %sL%s %s' % (f(x1), f(y1), f(x2), f(y2)), col, w + grow)
            elif p[0] == 'rr':
                _, x, y, w, h, r = p
                out += shape('rect', dict(x=x - grow / 2, y=y - grow / 2, width=w + grow, height=h + grow,
                                          rx=r + grow / 2), col)
            elif p[0] == 'el':
                _, cx, cy, rx, ry = p
                out += shape('ellipse', dict(cx=cx, cy=cy, rx=rx + grow / 2, ry=ry + grow / 2), col)
        return out
    out = ''
    if cuff:
        x, y, w, h = cuff
        out += shape('rect', dict(x=x, y=y, width=w, height=h, rx=2.5), WHITE, NAVY)
    out += draw(NAVY, 2 * OUTLINE) + draw(WHITE, 0)
    for c in creases:
        out += stroke_path(c, GLOVE_SHADE if c.startswith('S') is False else GLOVE_SHADE, 1.6)
    return out


def crease(d):
    return stroke_path(d, '#9DB2C4', 1.5)


def open_hand(mirror=False):
    """Palm towards the viewer, fingers up, wrist at (0, 10). Thumb on the -x side (or +x mirrored)."""
    g = glove([
        ('rr', -8.5, -6, 17, 15, 7),
        ('cap', -5.5, -3, -7.5, -13, 5.4),
        ('cap', 0, -4, 0, -16.5, 5.4),
        ('cap', 5.5, -3, 7.5, -13, 5.4),
        ('cap', -6, 3, -13.5, -2.5, 5.4),
    ], cuff=(-7.5, 7, 15, 7))
    g += crease('M-3 3.5Q0 5.5 3 3.5')
    return group(g, 'scale(-1 1)') if mirror else g


def thumbs_up_hand(mirror=False):
    """Fist seen from the front, thumb up, wrist at the bottom (0, 11)."""
    g = glove([
        ('rr', -9.5, -6, 19, 16, 6.5),
        ('cap', -4.5, -5, -4.5, -16, 6),
    ], cuff=(-8, 8.5, 16, 7))
    g += crease('M-0.5 -1.5H8') + crease('M-0.5 2.5H8') + crease('M-0.5 6.2H7.5')
    return group(g, 'scale(-1 1)') if mirror else g


def pointing_hand():
    """Fist with the index finger pointing to -x, wrist at (+12, 0)."""
    g = glove([
        ('rr', -8, -7.5, 17, 16, 7),
        ('cap', -4, -4, -19, -4, 5.6),
        ('cap', 0, -6.5, -7, -8.5, 5),
    ], cuff=(7, -7, 7, 14))
    g += crease('M-5.5 1H1.5') + crease('M-5 4.8H1.5')
    return g


def loose_fist(mirror=False):
    """A relaxed hand at the side, knuckles down, wrist at (0, -11); thumb on the -x side."""
    g = glove([
        ('rr', -8.5, -7, 17, 15.5, 7),
        ('cap', -7, -2, -9.5, 5, 5.2),
    ], cuff=(-7.5, -13, 15, 7))
    g += crease('M-2.5 4.5V8') + crease('M1.5 5V8.5') + crease('M5.5 4V7.5')
    return group(g, 'scale(-1 1)') if mirror else g


def hip_fist(mirror=False):
    """A fist resting on the hip, seen from the front; wrist at (+11, 0) (or -x mirrored)."""
    g = glove([
        ('rr', -8, -8, 16, 16, 7),
    ], cuff=(6.5, -7, 7, 14))
    g += crease('M-4.5 -3H2') + crease('M-4.5 1H2') + crease('M-4.5 5H1.5')
    return group(g, 'scale(-1 1)') if mirror else g


def grip_hand(mirror=False):
    """Fingers wrapped over an edge on the +x side; palm behind, wrist at (-10, 0)."""
    g = glove([
        ('el', -3, 0, 7.5, 9),
        ('cap', 0, -6, 8.5, -6, 5),
        ('cap', 0, -0.5, 9.5, -0.5, 5),
        ('cap', 0, 5, 8.5, 5, 5),
    ], cuff=(-14, -7, 7, 14))
    return group(g, 'scale(-1 1)') if mirror else g


HAND_SCALE = 1.2


def place(content, x, y, angle=0, s=HAND_SCALE):
    t = 'translate(%s %s)' % (f(x), f(y))
    if angle:
        t += ' rotate(%s)' % f(angle)
    if s != 1:
        t += ' scale(%s)' % f(s)
    return group(content, t)


def body_defs(cx, pre):
    top = BODY_TOP
    d = lin(pre + 'body', cx - BODY_W / 2, top, cx + BODY_W / 2, top + BODY_H,
            [(0, '#2A9BE0'), (0.55, BLUE), (1, '#00598F')])
    d += lin(pre + 'screen', 0, top + 16, 0, top + BODY_H - 18, [(0, '#FFFFFF'), (1, '#D3ECFB')])
    d += lin(pre + 'shoe', 0, GROUND - 16, 0, GROUND, [(0, '#FFB04A'), (1, ORANGE_D)])
    return d


def legs_and_shoes(cx, pre):
    out = ''
    for side in (-1, 1):
        x = cx + side * 17
        out += tube('M%s %sL%s %s' % (f(x), BODY_TOP + BODY_H - 10, f(x + side * 1.5), GROUND - 10), '#004E7C', 6.5)
    for side in (-1, 1):
        x = cx + side * 18.5
        sole = shape('rect', dict(x=-9.5, y=-6, width=25, height=6, rx=3), WHITE, NAVY)
        upper = shape('path', dict(d='M-9 -3.5C-9.5 -11 -4 -14.5 1 -14C7 -13.5 15 -9 15.5 -3.5Z'),
                      'url(#%sshoe)' % pre, NAVY)
        shine = stroke_path('M-4.5 -10.5Q-1 -12.5 3 -11.8', WHITE, 1.6, ' stroke-opacity="0.7"')
        t = 'translate(%s %s)' % (f(x), GROUND) + (' scale(-1 1)' if side < 0 else '')
        out += group(sole + upper + shine, t)
    return out


def phone_body(cx, pre):
    top, w, h = BODY_TOP, BODY_W, BODY_H
    x0 = cx - w / 2
    out = ''
    # side keys peeking out behind the body
    out += shape('rect', dict(x=x0 + w - 2, y=top + 30, width=5, height=18, rx=2), BLUE_DD, NAVY, 2)
    out += shape('rect', dict(x=x0 - 3, y=top + 26, width=5, height=11, rx=2), BLUE_DD, NAVY, 2)
    out += shape('rect', dict(x=x0, y=top, width=w, height=h, rx=19), 'url(#%sbody)' % pre, NAVY)
    # rim light along the upper left edge
    out += stroke_path('M%s %sV%sQ%s %s %s %sH%s' % (
        f(x0 + 4.5), f(top + h - 40), f(top + 19), f(x0 + 4.5), f(top + 4.5), f(x0 + 19), f(top + 4.5),
        f(x0 + w - 24)), '#7CC6F2', 2, ' stroke-opacity="0.8"')
    # screen
    sx, sy, sw, sh = x0 + 8, top + 17, w - 16, h - 35
    out += shape('rect', dict(x=sx, y=sy, width=sw, height=sh, rx=11), 'url(#%sscreen)' % pre, NAVY, 2)
    out += shape('path', dict(d='M%s %sH%sQ%s %s %s %sV%sZ' % (
        f(sx + sw - 30), f(sy + 1), f(sx + sw - 11), f(sx + sw - 1), f(sy + 1), f(sx + sw - 1), f(sy + 11),
        f(sy + 36))), WHITE, extra=' fill-opacity="0.55"')
    # speaker and camera
    out += shape('rect', dict(x=cx - 10, y=top + 7, width=20, height=4, rx=2), NAVY)
    out += shape('circle', dict(cx=cx + 17, cy=top + 9, r=2.4), NAVY)
    out += shape('circle', dict(cx=cx + 17.6, cy=top + 8.4, r=0.8), BLUE_LL)
    # bottom bar
    out += shape('rect', dict(x=cx - 11, y=top + h - 12, width=22, height=4, rx=2), BLUE_LL)
    return out


def eye(x, y, look=(0, 0)):
    out = shape('ellipse', dict(cx=x, cy=y, rx=6.8, ry=9.2), NAVY)
    lx, ly = look
    out += shape('circle', dict(cx=x + 2 + lx, cy=y - 3.5 + ly, r=2.6), WHITE)
    out += shape('circle', dict(cx=x - 2.2 + lx, cy=y + 3.4 + ly, r=1.2), WHITE)
    return out


def face(cx, look=(0, 0), wink=False, brows=0):
    ey = 91
    out = ''
    # brows: a small lift makes it friendlier
    for side in (-1, 1):
        bx = cx + side * 15
        out += stroke_path('M%s %sQ%s %s %s %s' % (f(bx - 5), f(ey - 14 - brows * (side < 0)), f(bx), f(ey - 18 - brows * (side < 0)),
                                                  f(bx + 5), f(ey - 14 - brows * (side < 0))), NAVY, 2.4)
    if wink:
        out += eye(cx - 15, ey, look)
        out += stroke_path('M%s %sQ%s %s %s %s' % (f(cx + 9), f(ey + 1), f(cx + 15), f(ey - 6), f(cx + 21), f(ey + 1)), NAVY, 3)
    else:
        out += eye(cx - 15, ey, look) + eye(cx + 15, ey, look)
    for side in (-1, 1):
        out += shape('ellipse', dict(cx=cx + side * 25, cy=ey + 15, rx=6, ry=3.8), CHEEK, extra=' fill-opacity="0.55"')
    # open smile with tongue
    my = ey + 15
    out += shape('path', dict(d='M%s %sC%s %s %s %s %s %sC%s %s %s %s %s %sC%s %s %s %s %s %sZ' % (
        f(cx - 13), f(my), f(cx - 5), f(my + 3), f(cx + 5), f(my + 3), f(cx + 13), f(my),
        f(cx + 12), f(my + 11), f(cx + 6), f(my + 16), f(cx), f(my + 16),
        f(cx - 6), f(my + 16), f(cx - 12), f(my + 11), f(cx - 13), f(my))), MOUTH, NAVY, 2.2)
    out += shape('path', dict(d='M%s %sC%s %s %s %s %s %sC%s %s %s %s %s %sZ' % (
        f(cx - 7), f(my + 12.5), f(cx - 4), f(my + 7.5), f(cx + 4), f(my + 7.5), f(cx + 7), f(my + 12.5),
        f(cx + 4), f(my + 14.8), f(cx - 4), f(my + 14.8), f(cx - 7), f(my + 12.5))), TONGUE)
    return out


def shadow(cx, rx, cy=GROUND + 0.5, ry=6.5):
    return shape('ellipse', dict(cx=cx, cy=cy, rx=rx, ry=ry), NAVY, extra=' fill-opacity="0.16"')


def character(w, cx, back_arms, front, face_kw, extra_back='', extra_defs='', pre='c'):
    defs = body_defs(cx, pre) + extra_defs
    parts = [('shadow', shadow(cx, 46)), ('prop', extra_back), ('arms', back_arms),
             ('legs', legs_and_shoes(cx, pre)), ('body', phone_body(cx, pre)), ('face', face(cx, **face_kw)),
             ('hands', front)]
    body = ''.join(group(c, extra=' id="%s"' % n) for n, c in parts if c)
    return svg(w, 227, body, defs)


def motion_arc(cx, cy, r, a0, a1, color=ORANGE, w=2.6):
    p0 = (cx + r * math.cos(math.radians(a0)), cy + r * math.sin(math.radians(a0)))
    p1 = (cx + r * math.cos(math.radians(a1)), cy + r * math.sin(math.radians(a1)))
    return stroke_path('M%s %sA%s %s 0 0 1 %s %s' % (f(p0[0]), f(p0[1]), f(r), f(r), f(p1[0]), f(p1[1])), color, w)


def sparkle(x, y, r, color=YELLOW):
    d = 'M%s %sQ%s %s %s %sQ%s %s %s %sQ%s %s %s %sQ%s %s %s %sZ' % (
        f(x), f(y - r), f(x + r * 0.18), f(y - r * 0.18), f(x + r), f(y),
        f(x + r * 0.18), f(y + r * 0.18), f(x), f(y + r),
        f(x - r * 0.18), f(y + r * 0.18), f(x - r), f(y),
        f(x - r * 0.18), f(y - r * 0.18), f(x), f(y - r))
    return shape('path', dict(d=d), color, ORANGE_D, 1.2)


def hanging_arm(cx, side):
    """An arm at rest on one side (-1 image left, +1 image right), ending in a loose fist."""
    sx = cx + side * (BODY_W / 2 - 6)
    ex = cx + side * (BODY_W / 2 + 8)
    out = arm('M%s 112Q%s 128 %s 148' % (f(sx), f(cx + side * (BODY_W / 2 + 10)), f(ex)))
    return out, place(loose_fist(mirror=side < 0), ex, 161, -6 * side)


def hip_arm(cx):
    """The image-right arm bent, fist on the hip."""
    rx = cx + BODY_W / 2
    out = arm('M%s 108Q%s 124 %s 144' % (f(rx - 6), f(rx + 22), f(rx + 5)))
    return out, place(hip_fist(), rx + 1, 147, -35)


def character_welcome():
    cx = 68
    sx = cx + BODY_W / 2  # right shoulder edge
    back = arm('M%s 112Q%s 100 %s 72' % (f(sx - 6), f(sx + 19), f(sx + 16)))
    rest_back, rest_front = hanging_arm(cx, -1)
    back += rest_back
    front = place(open_hand(mirror=True), sx + 17, 60, 14)
    front += rest_front
    front += motion_arc(sx + 19, 56, 25, -78, -42) + motion_arc(sx + 19, 56, 25, 212, 238)
    return character(152, cx, back, front, dict(brows=2))


def character_pointing():
    cx = 124
    lx = cx - BODY_W / 2
    back = arm('M%s 110Q%s 100 %s 92' % (f(lx + 6), f(lx - 16), f(lx - 38)))
    rest_back, rest_front = hip_arm(cx)
    back += rest_back
    front = place(pointing_hand(), lx - 50, 90, 8) + rest_front
    return character(192, cx, back, front, dict(look=(-2.2, 0.4), brows=2))


def server_tower(x, y, w, h, pre):
    """A tower seen from the front with a little of its right side."""
    depth = 10
    defs = lin(pre + 'case', x, 0, x + w, 0, [(0, SLATE_L), (1, SLATE)])
    defs += lin(pre + 'side', 0, y, 0, y + h, [(0, SLATE_D), (1, '#18232D')])
    out = shadow(x + w / 2 + 6, w / 2 + 14, GROUND + 0.5, 6.5)
    out += shape('path', dict(d='M%s %sL%s %sV%sL%s %sZ' % (
        f(x + w - 4), f(y), f(x + w + depth), f(y + 7), f(y + h - 3), f(x + w - 4), f(y + h))),
        'url(#%sside)' % pre, NAVY)
    out += shape('rect', dict(x=x, y=y, width=w, height=h, rx=6), 'url(#%scase)' % pre, NAVY)
    out += shape('rect', dict(x=x + 3.5, y=y + 3.5, width=w - 7, height=2, rx=1), WHITE, extra=' fill-opacity="0.25"')
    # drive bays
    for i in range(3):
        by = y + 12 + i * 17
        out += shape('rect', dict(x=x + 8, y=by, width=w - 16, height=12, rx=2.5), SLATE_D, NAVY, 1.6)
        out += shape('rect', dict(x=x + 12, y=by + 5, width=w - 34, height=2.4, rx=1.2), SLATE_L)
        out += shape('circle', dict(cx=x + w - 14, cy=by + 6, r=2.2), '#5BE37D' if i != 1 else YELLOW)
    # vents
    vy = y + 70
    for i in range(5):
        out += shape('rect', dict(x=x + 10, y=vy + i * 7, width=w - 20, height=3, rx=1.5), SLATE_D)
    # power button glowing in the product blue
    py = y + h - 20
    out += shape('circle', dict(cx=x + w / 2, cy=py, r=8), SLATE_D, NAVY, 1.6)
    out += stroke_path('M%s %sA5 5 0 1 0 %s %s' % (f(x + w / 2 + 3.2), f(py - 3.6), f(x + w / 2 - 3.2), f(py - 3.6)),
                       BLUE_LL, 2)
    out += stroke_path('M%s %sV%s' % (f(x + w / 2), f(py - 6), f(py - 1)), BLUE_LL, 2)
    # feet
    out += shape('rect', dict(x=x + 5, y=y + h - 1, width=12, height=4, rx=1.5), NAVY)
    out += shape('rect', dict(x=x + w - 17, y=y + h - 1, width=12, height=4, rx=1.5), NAVY)
    return defs, out


def character_server():
    cx = 134
    lx = cx - BODY_W / 2
    tdefs, tower = server_tower(6, 72, 54, GROUND - 75, 'c')
    back = arm('M%s 114Q%s 122 %s 112' % (f(lx + 6), f(lx - 10), f(lx - 18)))
    rest_back, rest_front = hip_arm(cx)
    back += rest_back
    # presenting: open hand, palm up, fingers towards the tower
    front = place(open_hand(mirror=True), lx - 21, 110, -76) + rest_front
    front += sparkle(lx - 26, 72, 6) + sparkle(lx - 12, 60, 3.6)
    return character(198, cx, back, front, dict(look=(-2.2, 0.4), brows=2), extra_back=tower, extra_defs=tdefs)


def laptop(cx, y, pre):
    """Open laptop facing the viewer: lid (screen) over the keyboard base."""
    w, h = 86, 56
    x = cx - w / 2
    defs = lin(pre + 'lid', 0, y, 0, y + h, [(0, '#DDE6EE'), (1, '#B8C7D4')])
    defs += lin(pre + 'lcd', x, y, x + w, y + h, [(0, '#E9F6FF'), (1, '#BFE2F8')])
    out = shape('rect', dict(x=x, y=y, width=w, height=h, rx=5), 'url(#%slid)' % pre, NAVY)
    sx, sy, sw, sh = x + 6, y + 6, w - 12, h - 12
    out += shape('rect', dict(x=sx, y=sy, width=sw, height=sh, rx=2), 'url(#%slcd)' % pre, NAVY, 1.6)
    # a little wizard window on the screen: header band in the product blue
    out += shape('rect', dict(x=sx + 1, y=sy + 1, width=sw - 2, height=8, rx=1), BLUE)
    out += shape('rect', dict(x=sx + 5, y=sy + 3.5, width=22, height=3, rx=1.5), WHITE)
    for i, ln in enumerate((46, 38, 42)):
        out += shape('rect', dict(x=sx + 6, y=sy + 14 + i * 6, width=ln, height=2.6, rx=1.3), '#8FA6B8')
    out += shape('rect', dict(x=sx + sw - 24, y=sy + sh - 10, width=18, height=6.5, rx=3.2), ORANGE)
    out += shape('circle', dict(cx=cx, cy=y + 3.2, r=1.1), SLATE_L)
    # base seen edge-on
    out += shape('path', dict(d='M%s %sH%sL%s %sQ%s %s %s %sH%sQ%s %s %s %sZ' % (
        f(x - 3), f(y + h - 1), f(x + w + 3), f(x + w + 8), f(y + h + 5), f(x + w + 8), f(y + h + 8),
        f(x + w + 4), f(y + h + 8), f(x - 4), f(x - 8), f(y + h + 8), f(x - 8), f(y + h + 5))),
        '#C9D5DF', NAVY)
    out += shape('rect', dict(x=cx - 9, y=y + h + 0.5, width=18, height=2.5, rx=1.2), '#9FB0BF')
    return defs, out


def character_workstation():
    cx = 72
    ly = 125
    ldefs, lap = laptop(cx, ly, 'c')
    lx, rx = cx - BODY_W / 2, cx + BODY_W / 2
    back = arm('M%s 108Q%s 120 %s 140' % (f(lx + 6), f(lx - 12), f(lx - 10)))
    back += arm('M%s 108Q%s 120 %s 140' % (f(rx - 6), f(rx + 12), f(rx + 10)))
    front = lap
    front += place(grip_hand(), cx - 49, ly + 22)
    front += place(grip_hand(mirror=True), cx + 49, ly + 22)
    return character(145, cx, back, front, dict(brows=1), extra_defs=ldefs)


def character_thumbsup():
    cx = 72
    rx = cx + BODY_W / 2
    back = arm('M%s 112Q%s 114 %s 88' % (f(rx - 6), f(rx + 22), f(rx + 22)))
    rest_back, rest_front = hanging_arm(cx, -1)
    back += rest_back
    front = place(thumbs_up_hand(mirror=True), rx + 22, 72) + rest_front
    front += sparkle(rx + 6, 34, 6.5) + sparkle(rx + 40, 42, 4)
    return character(169, cx, back, front, dict(wink=True, brows=2))


# ---------------------------------------------------------------------------
# Small glyphs, drawn on the pixel grid
# ---------------------------------------------------------------------------

def disc(size, color, pre, r=None):
    r = r if r is not None else size / 2
    c = size / 2
    light = {BLUE: '#2E9BDB', BLUE_DD: '#0B5C92'}.get(color, color)
    defs = lin(pre + 'disc', 0, 0, 0, size, [(0, light), (1, color)])
    return defs, shape('circle', dict(cx=c, cy=c, r=r), 'url(#%sdisc)' % pre)


def digit_paths(digit, size):
    """White digit for a 24 or 20 px disc; straight edges sit on whole pixels."""
    if size == 24:
        if digit == 1:
            return shape('path', dict(d='M12 6H15V18H12V10L9 11.5V8.3Z'), WHITE)
        return (stroke_path('M8.8 10.3C8.8 8.5 10.2 7.5 12 7.5C13.9 7.5 15.3 8.6 15.3 10.2C15.3 11.5 14.5 12.3 13.3 13.3L9.6 16.3',
                            WHITE, 3)
                + shape('rect', dict(x=8, y=15, width=8, height=3), WHITE))
    if digit == 1:
        return shape('path', dict(d='M10 5H13V15H10V8.6L7.8 9.8V7.2Z'), WHITE)
    return (stroke_path('M7.3 8.4C7.3 6.9 8.5 6.3 10 6.3C11.5 6.3 12.7 7.2 12.7 8.5C12.7 9.5 12.1 10.2 11 11.1L8.2 13.5',
                        WHITE, 2.6)
            + shape('rect', dict(x=7, y=12, width=6, height=3), WHITE))


def badge(digit, color):
    defs, d = disc(24, color, 'b')
    return svg(24, 24, d + digit_paths(digit, 24), defs)


def install_glyph(digit):
    defs, d = disc(20, BLUE if digit == 1 else BLUE_DD, 'g')
    return svg(20, 20, d + digit_paths(digit, 20), defs)


def glyph_back():
    defs, d = disc(20, BLUE, 'g')
    arrow = stroke_path('M14.5 10H6', WHITE, 2) + stroke_path('M9.5 6L5.5 10L9.5 14', WHITE, 2)
    return svg(20, 20, d + arrow, defs)


def glyph_about():
    ring = shape('circle', dict(cx=12, cy=12, r=10), WHITE, extra=' fill-opacity="0.14"')
    ring += shape('circle', dict(cx=12, cy=12, r=10), 'none', WHITE, 2)
    i = shape('circle', dict(cx=12, cy=7.5, r=1.6), WHITE)
    i += shape('path', dict(d='M10 10H13V16H14.5V18H9.5V16H11V12H10Z'), WHITE)
    return svg(24, 24, ring + i)


def film_strip():
    defs = lin('fs', 0, 3, 0, 21, [(0, '#3B5670'), (1, '#1F3346')])
    defs += lin('fr', 0, 8, 0, 16, [(0, '#BFE6FB'), (1, BLUE_LL)])
    out = shape('rect', dict(x=1.5, y=3.5, width=21, height=17, rx=2), 'url(#fs)', NAVY, 1)
    for x in (3, 7, 11, 15, 19):
        out += shape('rect', dict(x=x, y=5, width=2, height=2), WHITE)
        out += shape('rect', dict(x=x, y=17, width=2, height=2), WHITE)
    # left frame: a little landscape; right frame: play
    out += shape('rect', dict(x=3, y=8, width=8, height=8), 'url(#fr)')
    out += shape('path', dict(d='M3 16V13L5.5 10.5L8 13L9.5 11.8L11 13.2V16Z'), BLUE)
    out += shape('rect', dict(x=13, y=8, width=8, height=8), 'url(#fr)')
    out += shape('path', dict(d='M15 9V15L20 12Z'), ORANGE_D)
    return svg(24, 24, out, defs)


def annulus_sector(cx, cy, r0, r1, a0, a1):
    p = lambda r, a: (cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
    (x0, y0), (x1, y1) = p(r1, a0), p(r1, a1)
    (x2, y2), (x3, y3) = p(r0, a1), p(r0, a0)
    return 'M%s %sA%s %s 0 0 1 %s %sL%s %sA%s %s 0 0 0 %s %sZ' % (
        f(x0), f(y0), f(r1), f(r1), f(x1), f(y1), f(x2), f(y2), f(r0), f(r0), f(x3), f(y3))


def life_buoy(color, dark, light):
    c, r_out, r_in = 12, 10.5, 5
    defs = rad('lb', 9, 8, 14, [(0, light), (1, color)])
    out = shape('circle', dict(cx=c, cy=c, r=(r_out + r_in) / 2), 'none', 'url(#lb)', r_out - r_in)
    for a in (45, 135, 225, 315):
        out += shape('path', dict(d=annulus_sector(c, c, r_in, r_out, a - 17, a + 17)), WHITE)
    out += shape('circle', dict(cx=c, cy=c, r=r_out), 'none', dark, 1.2)
    out += shape('circle', dict(cx=c, cy=c, r=r_in), 'none', dark, 1.2)
    out += stroke_path('M%s %sA%s %s 0 0 1 %s %s' % (f(c - 7.6), f(c - 2.2), 7.9, 7.9, f(c - 2.2), f(c - 7.6)),
                       WHITE, 1.1, ' stroke-opacity="0.55"')
    return svg(24, 24, out, defs)


# ---------------------------------------------------------------------------
# Logo, app icon, banner
# ---------------------------------------------------------------------------

def handset_path():
    """A classic handset in a 100 x 100 box, earpiece top-left, mouthpiece bottom-right."""
    return ('M30 17C33 15 37 16 39 19L47 31C49 34 48 38 45 40L39 44C42 52 48 58 56 61L60 55'
            'C62 52 66 51 69 53L81 61C84 63 85 67 83 70L78 78C74 84 66 86 58 83'
            'C40 76 24 60 17 42C14 34 16 26 22 22Z')


def mark(pre, size):
    """Rounded-square mark: white handset with orange call waves on the product blue."""
    s = size / 100
    defs = lin(pre + 'm', 0, 0, 100, 100, [(0, '#33A4E6'), (0.55, BLUE), (1, BLUE_DD)])
    out = shape('rect', dict(x=2, y=2, width=96, height=96, rx=24), 'url(#%sm)' % pre)
    out += shape('path', dict(d='M2 50V26Q2 2 26 2H74Q98 2 98 26V34Q60 22 2 50Z'), WHITE, extra=' fill-opacity="0.12"')
    out += shape('path', dict(d=handset_path()), WHITE)
    for r in (14, 26):
        out += stroke_path('M%s %sA%s %s 0 0 1 %s %s' % (f(60), f(40 - r), f(r), f(r), f(60 + r), f(40)), ORANGE, 7)
    return defs, group(out, 'scale(%s)' % f(s)) if s != 1 else out


# Wordmark: a rounded geometric sans drawn as strokes. Each glyph: (advance, path at origin x=0, baseline 60).
SW = 8.5


def glyph_O(x):
    return 'M%s 38A19 18.5 0 1 1 %s 38A19 18.5 0 1 1 %s 38Z' % (f(x + 4.25), f(x + 42.25), f(x + 4.25))


def wordmark():
    # x-height band: stroke centres from y=32.5 to y=55.75 (outer 28.25..60)
    top, base = 32.5, 55.75
    mid = (top + base) / 2
    r = (base - top) / 2
    paths = []
    x = 0
    paths.append(glyph_O(x)); x += 46.5 + 6
    # r
    sx = x + 4.25
    paths.append('M%s %sV%sC%s %s %s %s %s %s' % (f(sx), f(base), f(mid + 1), f(sx), f(top + 2), f(sx + 6), f(top), f(sx + 14), f(top)))
    x += 4.25 + 14 + 4.25 + 3
    # v
    sx = x + 4.25
    paths.append('M%s %sL%s %sL%s %s' % (f(sx), f(top), f(sx + 11.5), f(base), f(sx + 23), f(top)))
    x += 23 + 8.5 + 4.5
    # a (single storey)
    for kind in ('a', 'n', 't', 'a'):
        sx = x + 4.25
        if kind == 'a':
            cx = sx + r
            paths.append('M%s %sA%s %s 0 1 1 %s %sA%s %s 0 1 1 %s %sZ' % (
                f(cx - r), f(mid), f(r), f(r), f(cx + r), f(mid), f(r), f(r), f(cx - r), f(mid)))
            paths.append('M%s %sV%s' % (f(cx + r), f(top), f(base)))
            x += 2 * r + 8.5 + 5
        elif kind == 'n':
            paths.append('M%s %sV%sM%s %sV%sA%s %s 0 0 1 %s %sV%s' % (
                f(sx), f(base), f(top), f(sx), f(mid), f(mid), f(r), f(r), f(sx + 2 * r), f(mid), f(base)))
            x += 2 * r + 8.5 + 5
        elif kind == 't':
            paths.append('M%s %sV%sQ%s %s %s %s' % (f(sx + 2), f(18), f(base - 6), f(sx + 2), f(base), f(sx + 10), f(base)))
            paths.append('M%s %sH%s' % (f(sx - 3.5), f(top), f(sx + 11)))
            x += 16 + 5
    return paths, x


def logo():
    mdefs, m = mark('l', 72)
    m = group(m, 'translate(2 4)')
    paths, width = wordmark()
    ox = 86
    word = ''.join(stroke_path(p, BLUE_DD, SW) for p in paths)
    word = group(word, 'translate(%s 0)' % f(ox))
    # superscript 5 in the warm accent
    fx = ox + width + 2
    five = stroke_path('M%s 17H%sM%s 17L%s 26.5C%s 24.5 %s 24 %s 24C%s 24 %s 27 %s 31C%s 35.5 %s 38.5 %s 38.5C%s 38.5 %s 37 %s 35' % (
        f(fx + 14), f(fx + 4), f(fx + 4), f(fx + 3), f(fx + 5), f(fx + 7), f(fx + 9), f(fx + 13), f(fx + 15.5), f(fx + 15.5),
        f(fx + 15.5), f(fx + 12.5), f(fx + 8.5), f(fx + 5.5), f(fx + 3.5), f(fx + 2.5)), ORANGE, 6)
    sys.stderr.write('logo right edge ~ %s\n' % f(fx + 18))
    return svg(356, 80, m + word + five, mdefs)


def app_icon():
    defs, m = mark('a', 64)
    return svg(64, 64, m, defs)


def padlock(x, y, s):
    defs = lin('pl', 0, 20, 0, 52, [(0, '#FFC04D'), (1, ORANGE_D)])
    out = stroke_path('M10 22V15A12 12 0 0 1 34 15V22', '#E6F0F7', 6)
    out += shape('rect', dict(x=3, y=21, width=38, height=30, rx=6), 'url(#pl)', '#B85F08', 1.5)
    out += shape('rect', dict(x=6, y=24, width=32, height=3, rx=1.5), WHITE, extra=' fill-opacity="0.35"')
    out += shape('circle', dict(cx=22, cy=34, r=4.2), BLUE_DD)
    out += shape('path', dict(d='M20 36H24L25 44H19Z'), BLUE_DD)
    return defs, group(out, 'translate(%s %s) scale(%s)' % (f(x), f(y), f(s)))


def login_banner():
    defs = lin('bg', 0, 0, 320, 0, [(0, BLUE_DD), (0.55, BLUE), (1, '#2A9BDC')])
    out = shape('rect', dict(x=0, y=0, width=320, height=60), 'url(#bg)')
    # a large faint key as a watermark on the right
    faint = ' stroke-opacity="0.13"'
    key = shape('circle', dict(cx=0, cy=0, r=15), 'none', WHITE, 8, faint)
    key += stroke_path('M19 0H80M62 0V11M74 0V9', WHITE, 8, faint)
    out += group(key, 'translate(232 28) rotate(-8)')
    # a dotted password field
    out += shape('rect', dict(x=84, y=20, width=118, height=18, rx=9), WHITE, extra=' fill-opacity="0.2"')
    for i in range(6):
        out += shape('circle', dict(cx=96 + i * 13, cy=29, r=3.2), WHITE)
    out += shape('rect', dict(x=172, y=22.5, width=2, height=13), ORANGE)
    # the padlock on a soft disc
    out += shape('circle', dict(cx=42, cy=29, r=23), WHITE, extra=' fill-opacity="0.14"')
    pdefs, lock = padlock(27, 9, 0.68)
    defs += pdefs
    out += lock
    # thin orange line along the bottom
    out += shape('rect', dict(x=0, y=57, width=320, height=3), ORANGE)
    return svg(320, 60, out, defs)


FILES = {
    'character-welcome.svg': character_welcome,
    'character-pointing.svg': character_pointing,
    'character-server.svg': character_server,
    'character-workstation.svg': character_workstation,
    'character-thumbsup.svg': character_thumbsup,
    'badge-1.svg': lambda: badge(1, BLUE),
    'badge-2.svg': lambda: badge(2, BLUE_DD),
    'glyph-install-1.svg': lambda: install_glyph(1),
    'glyph-install-2.svg': lambda: install_glyph(2),
    'glyph-back.svg': glyph_back,
    'glyph-about.svg': glyph_about,
    'icon-getting-started.svg': film_strip,
    'icon-support-request.svg': lambda: life_buoy(BLUE, BLUE_DD, '#3BA7E6'),
    'icon-support.svg': lambda: life_buoy(RED, RED_D, '#F0605A'),
    'logo.svg': logo,
    'app-icon.svg': app_icon,
}

if __name__ == '__main__':
    for name, fn in FILES.items():
        with open(os.path.join(OUT, name), 'w') as fh:
            fh.write(fn())
    with open(os.path.join(OUT_BANNER, 'login-banner.svg'), 'w') as fh:
        fh.write(login_banner())
